// MTthread: a plain value that stands for a thread by a handle value, and tells the
// identifier of the calling thread, so that code can remember which thread did something
// first and recognise it later.
#pragma once

class MTthread {
public:
  MTthread();
  explicit MTthread(int handle);
  MTthread(const MTthread& other);
  MTthread& operator=(const MTthread& other);
  virtual ~MTthread();

  void setHandle(int handle);
  int handle() const { return m_Handle; }

  // The calling thread: its pseudo-handle, cut to 32 bits (the same value in every thread,
  // so it names "this thread" wherever it is used, never one thread for another).
  static MTthread currentThread();
  // The calling thread's identifier, whatever handle the object holds.
  unsigned threadId() const;

private:
  int m_Handle;
};
