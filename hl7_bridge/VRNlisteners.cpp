#include "hl7_bridge/VRNlisteners.h"

namespace {

#define VRN_EVENT_METHOD(Name, Method, Signature) {Method, Signature},
const JNIeventKind ListenerMethods[] = {VRN_EVENT_KINDS(VRN_EVENT_METHOD)};
#undef VRN_EVENT_METHOD

}  // namespace

JNIlistenerRegistry& VRNlisteners() { return JNIkeptRegistry<ListenerMethods>(); }
