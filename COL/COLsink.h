// Sinks: anything that takes bytes. COLsinkString appends them to a string it owns or
// borrows; the file-handle sinks hand them to a stdio stream they never close, or show
// them as text when the stream leads to a console.
#pragma once

#include <cstdio>

class COLstring;
class COLsource;

class COLsink {
public:
  virtual ~COLsink();
  virtual unsigned write(const void* data, unsigned length) = 0;
  virtual void flush();
  // Told that a complete transfer into the sink has ended.
  virtual void end_of_data();
  // Offered a whole source; true means the sink consumed it itself.
  virtual bool write_source(COLsource* source);
};

class COLsinkConsole;

// Threads may share a file-handle sink: their writes interleave whole, and every byte
// arrives once. Whether the stream leads to a console is asked once, when the sink is
// made: a handle's kind does not change while the process holds it open.
class COLsinkFileHandle : public COLsink {
public:
  explicit COLsinkFileHandle(FILE* file);
  ~COLsinkFileHandle() override;
  COLsinkFileHandle(const COLsinkFileHandle&) = delete;
  COLsinkFileHandle& operator=(const COLsinkFileHandle&) = delete;
  // To a pipe or a file, the bytes go unchanged (fwrite, which takes the stream's own
  // lock and no other). To a console, which keeps a code page of its own, they are text
  // of the process's code page, shown as characters through the console's wide call; the
  // first bytes of a character cut off at the end of a write wait for the rest, under the
  // console's lock. Reports the whole length taken, whatever was written.
  unsigned write(const void* data, unsigned length) override;
  // fflush; a failure is ignored, as every user of the stream ignores it.
  void flush() override;
  int set_binary_mode(bool binary);
  FILE* file() const { return m_File; }

private:
  FILE* m_File;
  // The console with what it holds back of a character, or null for anything else.
  COLsinkConsole* m_pConsole;
};

class COLsinkStandardOut : public COLsinkFileHandle {
public:
  COLsinkStandardOut() : COLsinkFileHandle(stdout) {}
  static int set_binary_mode(bool binary);
};

class COLsinkStandardErr : public COLsinkFileHandle {
public:
  COLsinkStandardErr() : COLsinkFileHandle(stderr) {}
  static int set_binary_mode(bool binary);
};

// Sets the runtime's translation mode of a stdio stream; returns the previous mode.
int COLsetBinaryMode(FILE* file, bool binary);

class COLsinkString : public COLsink {
public:
  COLsinkString();
  explicit COLsinkString(COLstring& target);
  explicit COLsinkString(COLstring* target);
  COLsinkString(COLstring* target, bool owns);
  ~COLsinkString() override;
  COLsinkString(const COLsinkString&) = delete;
  COLsinkString& operator=(const COLsinkString&) = delete;

  // As the target's write: all the bytes, or a COLerror and none.
  unsigned write(const void* data, unsigned length) override;
  void flush() override;
  COLstring* string() { return m_Target; }

private:
  COLstring* m_Target;
  bool m_Owns;
};
