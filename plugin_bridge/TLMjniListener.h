// TLMjniListener: destinations and sources as listeners of the engine library. Each class
// sets itself up once (text encoding, its three callbacks, the JavaVM and the event classes
// they use), registers its Java objects through global references, and carries the six
// events to them.
#pragma once

#include "plugin_bridge/TLMjniImplement.h"

void TLMdestinationInitialize(JNIEnv* pEnv);
void TLMsourceInitialize(JNIEnv* pEnv);

// A new global reference to the receiver, registered with the library under a token of
// the bridge's listener registry; the token is the long Java gets back and hands to the
// Release native. A refused registration deletes the reference.
jlong TLMjniAddListener(JNIEnv* pEnv, jobject Self, jlong Handle,
                        TLMerror (*Function) TLM_PARAMS_AddListener);

// Removes the listener, deletes its reference and releases the object, stopping at the
// first failure. The library is always asked to remove the listener first; only this
// object's own listener is released, once: a retry after an earlier call whose release of
// the object failed, or a token that is another object's or was never made, deletes nothing.
void TLMjniListenerRelease(JNIEnv* pEnv, jlong Handle, jlong Listener,
                           TLMerror (*Remove)(TLMhandle, void*),
                           TLMerror (*Function) TLM_PARAMS_ListenerRelease);
