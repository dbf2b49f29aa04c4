// FILbinaryFile: a named file opened in binary mode, usable as a byte sink and as a readable
// byte source. The work is done by one of two private parts chosen at construction: one over
// the runtime's buffered streams, one over its unbuffered descriptors. Both share the file
// with other readers and writers, create a missing parent directory of a file to be written,
// keep the handle from child processes, and raise a COLerror naming the action and the file,
// with errno as its code, for every failure.
#pragma once

#include "COL/COLreadable.h"
#include "COL/COLsink.h"
#include "COL/COLstring.h"

class FILbinaryFilePrivate;

class FILbinaryFile : public COLsink, public COLreadable {
public:
  // Modes of open: 0 reads an existing file; 1 reads and writes an existing file; 2 reads
  // and appends, creating the file; 3 reads and writes, creating or emptying the file.
  explicit FILbinaryFile(bool Unbuffered = false);
  FILbinaryFile(const COLstring& FileName, int Mode, bool Unbuffered = false);
  ~FILbinaryFile() override;
  FILbinaryFile(const FILbinaryFile&) = delete;
  FILbinaryFile& operator=(const FILbinaryFile&) = delete;

  unsigned write(const void* Data, unsigned Length) override;
  void flush() override;
  // Closes an open file first.
  virtual void open(const COLstring& FileName, int Mode);
  virtual void close();
  // The position, which must fit in 32 bits; position64 has the whole range.
  unsigned position() override;
  virtual void seek(unsigned long long Position);
  // Both seeks take unsigned values, so a plain int literal needs its type (0u).
  void seek(unsigned Position);

  unsigned read(void* Buffer, unsigned Length) override;
  void set_position(unsigned Position) override;
  // Buffered: true once a read has met the end. Unbuffered: true at the end.
  bool at_end() override;

  unsigned long long position64();
  void rewind();
  bool isOpen() const;
  unsigned long long size();
  // The Windows handle of the open file; null when it is closed.
  void* osHandle() const;
  const COLstring& fileName() const;
  // Replaces the name without opening anything.
  void setFileName(const COLstring& FileName);
  // Copies the rest of the file into pDest in blocks of 512 bytes, then flushes pDest,
  // tells it the data has ended and moves the file back to its start.
  void copyTo(COLsink* pDest);

private:
  FILbinaryFilePrivate* pMember;
};
