#include "JNI/JNIlistenerRegistry.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "JNI/JNIscopedEnvPointer.h"
#include "JNI/JNIscopedLocalFrame.h"

#include <new>
#include <tuple>
#include <utility>

namespace {

std::uintptr_t keyOf(void* token) { return reinterpret_cast<std::uintptr_t>(token); }

// Called inside a catch block: says on standard error what stopped an event.
void reportCurrent(const char* bridge, const char* eventName) noexcept {
  if (bridge == nullptr) return;
  try {
    COLstring text;
    try {
      throw;
    } catch (const COLerror& error) {
      text = error.description();
    } catch (...) {
      text = "Unhandled exception";
    }
    COLstandardError << bridge << ": the " << eventName << " event was not delivered: " << text << newline
                     << flush;
  } catch (...) {
    // Nothing is left to report with.
  }
}

void clearPending(JNIEnv* pEnv) {
  if (pEnv->ExceptionCheck()) {
    pEnv->ExceptionDescribe();
    pEnv->ExceptionClear();
  }
}

}  // namespace

JNIlistenerRegistry& JNIlistenerRegistry::process() {
  // In static storage, so that no heap block of it is left for a leak check to report
  // once the library is unloaded.
  alignas(JNIlistenerRegistry) static unsigned char storage[sizeof(JNIlistenerRegistry)];
  static JNIlistenerRegistry* kept = new (storage) JNIlistenerRegistry();
  return *kept;
}

void* JNIlistenerRegistry::add(JNIEnv* pEnv, jobject listener, void* owner) {
  jobject reference = pEnv->NewGlobalRef(listener);
  if (reference == nullptr) {
    throw COLerror("Unable to make a global reference to the listener.", 0, "JNIlistenerRegistry",
                   COL_ERROR_PRECONDITION);
  }
  try {
    std::lock_guard<std::mutex> guard(m_Lock);
    std::uintptr_t key = m_Next++;
    m_Entries.emplace(std::piecewise_construct, std::forward_as_tuple(key), std::forward_as_tuple(owner, reference));
    return reinterpret_cast<void*>(key);
  } catch (...) {
    pEnv->DeleteGlobalRef(reference);
    throw;
  }
}

void* JNIlistenerRegistry::liveFor(void* owner) const {
  std::lock_guard<std::mutex> guard(m_Lock);
  for (const auto& entry : m_Entries)
    if (entry.second.Owner == owner && !entry.second.Released) return reinterpret_cast<void*>(entry.first);
  return nullptr;
}

bool JNIlistenerRegistry::isLive(void* owner, void* token) const {
  std::lock_guard<std::mutex> guard(m_Lock);
  auto found = m_Entries.find(keyOf(token));
  return found != m_Entries.end() && found->second.Owner == owner && !found->second.Released;
}

bool JNIlistenerRegistry::release(JNIEnv* pEnv, void* owner, void* token) {
  jobject last = nullptr;
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    auto found = m_Entries.find(keyOf(token));
    if (found == m_Entries.end() || found->second.Owner != owner || found->second.Released) return false;
    found->second.Released = true;
    if (found->second.Shares.fetch_sub(1) == 1) {
      last = found->second.Reference;
      m_Entries.erase(found);
    }
  }
  if (last != nullptr) pEnv->DeleteGlobalRef(last);
  return true;
}

jobject JNIlistenerRegistry::eraseLast(void* token) {
  std::lock_guard<std::mutex> guard(m_Lock);
  auto found = m_Entries.find(keyOf(token));
  jobject reference = found->second.Reference;
  m_Entries.erase(found);
  return reference;
}

JNIlistenerRegistry::Share::Share(JNIlistenerRegistry& registry, JNIEnv* pEnv, void* token)
    : m_Registry(registry), m_pEnv(pEnv), m_Token(token), m_Listener(nullptr), m_Shares(nullptr), m_Methods(nullptr) {
  std::lock_guard<std::mutex> guard(m_Registry.m_Lock);
  auto found = m_Registry.m_Entries.find(keyOf(token));
  if (found == m_Registry.m_Entries.end() || found->second.Released) return;
  // Live, so the release's share is still counted: this one cannot be the last.
  found->second.Shares.fetch_add(1);
  m_Shares = &found->second.Shares;
  m_Methods = found->second.Methods;
  m_Listener = found->second.Reference;
}

jmethodID JNIlistenerRegistry::Share::method(JNIEnv* pEnv, int slot, const char* name, const char* signature) const {
  jmethodID kept = m_Methods[slot].load(std::memory_order_acquire);
  if (kept != nullptr) return kept;
  jclass type = pEnv->GetObjectClass(m_Listener);
  jmethodID found = pEnv->GetMethodID(type, name, signature);
  pEnv->DeleteLocalRef(type);
  if (found != nullptr) m_Methods[slot].store(found, std::memory_order_release);
  return found;
}

JNIlistenerRegistry::Share::~Share() {
  if (m_Listener == nullptr) return;
  // Reaches 0 only once the release's share has gone as well: nobody can take one again.
  if (m_Shares->fetch_sub(1) == 1) m_pEnv->DeleteGlobalRef(m_Registry.eraseLast(m_Token));
}

void JNIdeliverEvent(JavaVM* pVm, jint version, jint frameCapacity, void* token, JNIeventBody body,
                     const void* event, const char* bridge, const char* eventName) noexcept {
  if (pVm == nullptr || token == nullptr) return;
  try {
    JNIscopedEnvPointer scope(pVm, version);
    try {
      JNIlistenerRegistry::Share share(JNIlistenerRegistry::process(), scope.pEnv, token);
      if (share.listener() == nullptr) return;
      try {
        JNIscopedLocalFrame frame(scope.pEnv, frameCapacity);
        body(scope.pEnv, share, event);
        clearPending(scope.pEnv);
      } catch (...) {
        clearPending(scope.pEnv);
        reportCurrent(bridge, eventName);
      }
    } catch (...) {
      // No memory for the share's bookkeeping.
      reportCurrent(bridge, eventName);
    }
  } catch (...) {
    reportCurrent(bridge, eventName);
  }
}
