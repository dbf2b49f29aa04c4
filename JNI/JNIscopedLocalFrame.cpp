#include "JNI/JNIscopedLocalFrame.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"

JNIscopedLocalFrame::JNIscopedLocalFrame(JNIEnv* pEnv, jint capacity) : m_pEnv(pEnv) {
  if (m_pEnv->PushLocalFrame(capacity) < 0) {
    COLstring Text;
    COLostream(Text) << "Unable to prepare enough references (" << capacity << ") for local reference frame";
    throw COLerror(Text, 26, "JNIscopedLocalFrame", COL_ERROR_PRECONDITION);
  }
}

JNIscopedLocalFrame::~JNIscopedLocalFrame() { m_pEnv->PopLocalFrame(nullptr); }
