// TLMjniListener: destinations and sources as listeners of the engine library. Each class
// sets itself up once (its JavaVM, the text encoding, its three callbacks and the event
// classes they use), and carries its events to the Java objects registered with it.
#pragma once

#include "JNI/JNIlistenerRegistry.h"
#include "plugin_bridge/TLMjniImplement.h"

void TLMdestinationInitialize(JNIEnv* pEnv);
void TLMsourceInitialize(JNIEnv* pEnv);

// The AddListener and Release natives' contracts: TLM.dll keeps several listeners per
// object, so each AddListener registers one more, and a RemoveListener it refuses leaves
// the listener and the object for a retry.
extern const JNIlistenerContract DestinationListeners;
extern const JNIlistenerContract SourceListeners;
