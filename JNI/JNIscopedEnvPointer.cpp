#include "JNI/JNIscopedEnvPointer.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"

JNIscopedEnvPointer::JNIscopedEnvPointer(JavaVM* pVm, jint version) : m_pAttachedVm(nullptr), pEnv(nullptr) {
  jint Result = pVm->GetEnv(reinterpret_cast<void**>(&pEnv), version);
  if (Result == JNI_EDETACHED) {
    jint AttachResult = pVm->AttachCurrentThread(reinterpret_cast<void**>(&pEnv), nullptr);
    if (AttachResult != JNI_OK || pEnv == nullptr) {
      // A thread that reports failure is not ours to detach, whatever it did.
      pEnv = nullptr;
      COLstring Text;
      COLostream(Text) << "Failed to attach thread to the Java Virtual Machine (error code=" << AttachResult << ").";
      throw COLerror(Text, 32, "JNIscopedEnvPointer", COL_ERROR_PRECONDITION);
    }
    m_pAttachedVm = pVm;
  } else if (pEnv == nullptr) {
    COLstring Text;
    COLostream(Text) << "Failed to retrieve JNI Environment from Java Virtual Machine (error code=" << Result << ").";
    throw COLerror(Text, 40, "JNIscopedEnvPointer", COL_ERROR_PRECONDITION);
  }
}

JNIscopedEnvPointer::~JNIscopedEnvPointer() {
  if (m_pAttachedVm != nullptr) m_pAttachedVm->DetachCurrentThread();
}
