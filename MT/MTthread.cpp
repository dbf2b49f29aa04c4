// The thread values over the system's current-thread calls.
#include "MT/MTthread.h"

#include "platform/PLATwindows.h"

#include <cstdint>

MTthread::MTthread() : m_Handle(0) {}
MTthread::MTthread(int handle) : m_Handle(handle) {}
MTthread::MTthread(const MTthread& other) : m_Handle(other.m_Handle) {}

MTthread& MTthread::operator=(const MTthread& other) {
  if (this != &other) m_Handle = other.m_Handle;
  return *this;
}

MTthread::~MTthread() {}

void MTthread::setHandle(int handle) { m_Handle = handle; }

MTthread MTthread::currentThread() {
  return MTthread(static_cast<int>(reinterpret_cast<intptr_t>(GetCurrentThread())));
}

unsigned MTthread::threadId() const { return GetCurrentThreadId(); }
