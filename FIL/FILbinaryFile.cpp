// The binary file: the public object forwards to one of two private parts, over the
// runtime's buffered streams or over its descriptors, which open, read, write and position
// the file and cache its size until the next write.
#include "FIL/FILbinaryFile.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "COL/COLsimpleBuffer.h"
#include "FIL/FILerrno.h"
#include "FIL/FILfilePath.h"
#include "FIL/FILutils.h"
#include "platform/PLATwindows.h"

#include <cerrno>
#include <climits>
#include <cstdio>

namespace {

const char* const Source = "FILbinaryFile";

// The action, the file's name in quotes and the runtime's text for the error.
[[noreturn]] void raiseOn(const char* action, const COLstring& name, int error) {
  FILraiseErrno(action + name + "'.", error);
}

[[noreturn]] void raiseMoveTo(const char* action, unsigned long long position, const COLstring& name,
                              int error) {
  COLostreamString text;
  text << action << position << " on '" << name << "'.";
  FILraiseErrno(text.string(), error);
}

// Before a second attempt at opening a file to be written: creates its missing directory.
// True when it made one, so that the open is worth trying again; otherwise errno is as the
// failed open left it.
bool FILcreateParentDirectories(const COLstring& FileName, int Mode) {
  const int error = errno;
  if (Mode == 0) return false;
  FILfilePath path;
  path.setPath(FileName.c_str());
  COLstring directory;
  path.getRootAndDirectory(directory);
  if (!FILexists(directory)) {
    FILmakeDirectories(directory, 0777);
    return true;
  }
  if (!FILisDirectory(directory))
    throw COLerror("Could not create " + FileName + " because '" + directory + "' is not a directory.",
                   COL_ERROR_PRECONDITION);
  errno = error;
  return false;
}

// Keeps the file's handle from the processes that this one starts.
void FILclearInheritFlag(int Descriptor, const COLstring& FileName) {
  intptr_t handle = _get_osfhandle(Descriptor);
  if (handle == -1)
    throw COLerror("Cannot get windows handle for file " + FileName, COL_ERROR_PRECONDITION);
  DWORD flags = 0;
  if (!GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags))
    COLraiseWindowsError(COLlastError(), "GetHandleInformation failed", 51, Source);
  if (!SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT,
                            flags & ~static_cast<DWORD>(HANDLE_FLAG_INHERIT)))
    COLraiseWindowsError(COLlastError(), "SetHandleInformation failed", 56, Source);
}

}  // namespace

class FILbinaryFilePrivate {
public:
  virtual ~FILbinaryFilePrivate() {}
  virtual void open(const COLstring& Name, int Mode) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  virtual unsigned long long position() = 0;
  virtual void seek(unsigned long long Position) = 0;
  virtual unsigned read(void* Buffer, unsigned Length) = 0;
  virtual unsigned write(const void* Data, unsigned Length) = 0;
  virtual unsigned long long size() = 0;
  virtual void flush() = 0;
  virtual bool eof() = 0;
  virtual void* osHandle() const = 0;

  COLstring FileName;
};

namespace {

class FILbinaryFilePrivateBuffered : public FILbinaryFilePrivate {
public:
  ~FILbinaryFilePrivateBuffered() override {
    try {
      close();
    } catch (const COLerror&) {
      // A flush that failed inside close left the stream open; it goes all the same.
      if (FileHandle != nullptr) fclose(FileHandle);
      FileHandle = nullptr;
    }
  }

  void open(const COLstring& Name, int Mode) override {
    close();
    LastOperation = None;
    FileName = Name;
    CachedSize = -1;
    static const char* const Texts[] = {"rb", "rb+", "ab+", "wb+"};
    if (Mode < 0 || Mode > 3) throw COLerror("Unknown File Parameter", 238, Source, COL_ERROR_PRECONDITION);
    ModeText = Texts[Mode];
    FileHandle = PLATfopen(Name.c_str(), ModeText.c_str());
    if (FileHandle == nullptr && FILcreateParentDirectories(Name, Mode))
      FileHandle = PLATfopen(Name.c_str(), ModeText.c_str());
    if (FileHandle == nullptr) FILraiseErrno("Open file '" + Name + "' failed.", errno);
    try {
      FILclearInheritFlag(_fileno(FileHandle), Name);
    } catch (const COLerror&) {
      fclose(FileHandle);
      FileHandle = nullptr;
      throw;
    }
  }

  void close() override {
    if (FileHandle == nullptr) return;
    flush();
    int result = fclose(FileHandle);
    int error = errno;
    FileHandle = nullptr;
    CachedSize = -1;
    if (result == EOF) FILraiseErrno("Closing file '" + FileName + "' failed.", error);
  }

  bool isOpen() const override { return FileHandle != nullptr; }

  unsigned long long position() override {
    COL_PRECONDITION(FileHandle != NULL, 280, Source);
    long long at = _ftelli64(FileHandle);
    if (at == -1) raiseOn("ftell failed on '", FileName, errno);
    return static_cast<unsigned long long>(at);
  }

  // A position that the 32-bit fseek of Windows would wrap into a wrong one takes the
  // 64-bit call. The others keep fseek, because Wine's _fseeki64 leaves the end-of-file
  // mark set, which every fseek clears.
  void seek(unsigned long long Position) override {
    COL_PRECONDITION(FileHandle != NULL, 291, Source);
    int result = Position <= static_cast<unsigned long long>(LONG_MAX)
                     ? fseek(FileHandle, static_cast<long>(Position), SEEK_SET)
                     : _fseeki64(FileHandle, static_cast<long long>(Position), SEEK_SET);
    if (result != 0) raiseMoveTo("fseek failed to move to ", Position, FileName, errno);
    // A positioned stream may read or write next without a flush.
    LastOperation = None;
  }

  unsigned read(void* Buffer, unsigned Length) override {
    COL_PRECONDITION(FileHandle != NULL, 301, Source);
    if (LastOperation == Wrote) flush();
    LastOperation = Read;
    size_t got = fread(Buffer, 1, Length, FileHandle);
    if (got < Length && ferror(FileHandle)) {
      int error = errno;
      clearerr(FileHandle);
      raiseOn("fread failed on '", FileName, error);
    }
    return static_cast<unsigned>(got);
  }

  unsigned write(const void* Data, unsigned Length) override {
    COL_PRECONDITION(FileHandle != NULL, 323, Source);
    if (Length == 0) return 0;
    // The runtime lets a write follow a read only after a positioning call; a flush is
    // not one (Windows' runtime then refuses the write or puts it after the read-ahead).
    if (LastOperation == Read && _fseeki64(FileHandle, 0, SEEK_CUR) != 0)
      raiseOn("fwrite failed on '", FileName, errno);
    LastOperation = Wrote;
    CachedSize = -1;
    errno = 0;
    const char* bytes = static_cast<const char*>(Data);
    size_t done = fwrite(bytes, 1, Length, FileHandle);
    if (done < Length && errno == 0) {
      // A short count without an error is a stop, not a failure. The stream's position has
      // advanced by what was taken, so the rest goes right behind it, once.
      clearerr(FileHandle);
      done += fwrite(bytes + done, 1, Length - done, FileHandle);
    }
    if (done < Length) raiseOn("fwrite failed on '", FileName, errno);
    return Length;
  }

  unsigned long long size() override {
    COL_PRECONDITION(FileHandle != NULL, 360, Source);
    if (CachedSize == -1) {
      unsigned long long at = position();
      if (_fseeki64(FileHandle, 0, SEEK_END) != 0)
        raiseOn("fseek during size() call failed on '", FileName, errno);
      CachedSize = static_cast<long long>(position());
      seek(at);
    }
    return static_cast<unsigned long long>(CachedSize);
  }

  void flush() override {
    COL_PRECONDITION(FileHandle != NULL, 378, Source);
    if (ModeText == "rb") return;
    if (fflush(FileHandle) != 0) raiseOn("fflush failed on '", FileName, errno);
    LastOperation = None;
  }

  bool eof() override {
    COL_PRECONDITION(FileHandle != NULL, 208, Source);
    return feof(FileHandle) != 0;
  }

  void* osHandle() const override {
    if (FileHandle == nullptr) return nullptr;
    return reinterpret_cast<void*>(_get_osfhandle(_fileno(FileHandle)));
  }

private:
  enum Operation { None = 0, Read = 1, Wrote = 2 };

  FILE* FileHandle = nullptr;
  COLstring ModeText;
  long long CachedSize = -1;
  Operation LastOperation = None;
};

class FILbinaryFilePrivateUnbuffered : public FILbinaryFilePrivate {
public:
  ~FILbinaryFilePrivateUnbuffered() override {
    try {
      close();
    } catch (const COLerror&) {
    }
  }

  void open(const COLstring& Name, int Mode) override {
    close();
    FileName = Name;
    CachedSize = -1;
    static const int Flags[] = {
        _O_BINARY | _O_RDONLY,
        _O_BINARY | _O_RDWR,
        _O_BINARY | _O_CREAT | _O_APPEND | _O_RDWR,
        _O_BINARY | _O_CREAT | _O_TRUNC | _O_RDWR,
    };
    if (Mode < 0 || Mode > 3) throw COLerror("Unknown File Parameter", 480, Source, COL_ERROR_PRECONDITION);
    OpenFlags = Flags[Mode];
    const int permission = _S_IREAD | _S_IWRITE;
    FileHandle = _open(Name.c_str(), OpenFlags, permission);
    if (FileHandle == -1 && FILcreateParentDirectories(Name, Mode))
      FileHandle = _open(Name.c_str(), OpenFlags, permission);
    if (FileHandle == -1) FILraiseErrno("Open file '" + Name + "' failed.", errno);
    try {
      FILclearInheritFlag(FileHandle, Name);
    } catch (const COLerror&) {
      _close(FileHandle);
      FileHandle = -1;
      throw;
    }
  }

  void close() override {
    if (FileHandle == -1) return;
    int result = _close(FileHandle);
    int error = errno;
    FileHandle = -1;
    CachedSize = -1;
    if (result == -1) FILraiseErrno("Closing file '" + FileName + "' failed.", error);
  }

  bool isOpen() const override { return FileHandle != -1; }

  unsigned long long position() override {
    COL_PRECONDITION(FileHandle != -1, 551, Source);
    long long at = _lseeki64(FileHandle, 0, SEEK_CUR);
    if (at == -1) raiseOn("lseek failed on '", FileName, errno);
    return static_cast<unsigned long long>(at);
  }

  void seek(unsigned long long Position) override {
    COL_PRECONDITION(FileHandle != -1, 563, Source);
    if (_lseeki64(FileHandle, static_cast<long long>(Position), SEEK_SET) == -1)
      raiseMoveTo("lseek failed to move to ", Position, FileName, errno);
  }

  unsigned read(void* Buffer, unsigned Length) override {
    COL_PRECONDITION(FileHandle != -1, 573, Source);
    int got = _read(FileHandle, Buffer, Length);
    if (got == -1) raiseOn("read failed on '", FileName, errno);
    return static_cast<unsigned>(got);
  }

  unsigned write(const void* Data, unsigned Length) override {
    COL_PRECONDITION(FileHandle != -1, 585, Source);
    int put = _write(FileHandle, Data, Length);
    int error = errno;
    // Even a failed write may have changed the file's length.
    CachedSize = -1;
    if (put == -1 || static_cast<unsigned>(put) < Length) raiseOn("write failed on '", FileName, error);
    return Length;
  }

  unsigned long long size() override {
    COL_PRECONDITION(FileHandle != -1, 598, Source);
    if (CachedSize == -1) {
      unsigned long long at = position();
      long long end = _lseeki64(FileHandle, 0, SEEK_END);
      if (end == -1) raiseOn("lseek during size() call failed on '", FileName, errno);
      CachedSize = end;
      seek(at);
    }
    return static_cast<unsigned long long>(CachedSize);
  }

  void flush() override {
    if (OpenFlags == (_O_BINARY | _O_RDONLY)) return;
    // A closed file has nothing to commit. The failure is reported as the runtime would
    // report it, without handing the runtime a descriptor that is no descriptor.
    if (FileHandle == -1) raiseOn("commit flush called failed on '", FileName, EBADF);
    if (_commit(FileHandle) == -1) raiseOn("commit flush called failed on '", FileName, errno);
  }

  bool eof() override {
    COL_PRECONDITION(FileHandle != -1, 526, Source);
    int result = _eof(FileHandle);
    if (result == -1) FILraiseErrno("_eof failed.", errno);
    return result == 1;
  }

  void* osHandle() const override {
    if (FileHandle == -1) return nullptr;
    return reinterpret_cast<void*>(_get_osfhandle(FileHandle));
  }

private:
  int FileHandle = -1;
  int OpenFlags = -1;
  long long CachedSize = -1;
};

FILbinaryFilePrivate* makePrivate(bool Unbuffered) {
  if (Unbuffered) return new FILbinaryFilePrivateUnbuffered;
  return new FILbinaryFilePrivateBuffered;
}

}  // namespace

FILbinaryFile::FILbinaryFile(bool Unbuffered) : pMember(makePrivate(Unbuffered)) {}

FILbinaryFile::FILbinaryFile(const COLstring& FileName, int Mode, bool Unbuffered)
    : pMember(makePrivate(Unbuffered)) {
  try {
    pMember->open(FileName, Mode);
  } catch (const COLerror&) {
    delete pMember;
    throw;
  }
}

FILbinaryFile::~FILbinaryFile() { delete pMember; }

unsigned FILbinaryFile::write(const void* Data, unsigned Length) { return pMember->write(Data, Length); }
void FILbinaryFile::flush() { pMember->flush(); }
void FILbinaryFile::open(const COLstring& FileName, int Mode) { pMember->open(FileName, Mode); }
void FILbinaryFile::close() { pMember->close(); }

unsigned FILbinaryFile::position() {
  unsigned long long at = pMember->position();
  if (at > 0xFFFFFFFFu) COLpreconditionFailed(704, Source, "pMember->position() <= COL_UINT_32_MAX");
  return static_cast<unsigned>(at);
}

void FILbinaryFile::seek(unsigned long long Position) { pMember->seek(Position); }
void FILbinaryFile::seek(unsigned Position) { seek(static_cast<unsigned long long>(Position)); }
unsigned FILbinaryFile::read(void* Buffer, unsigned Length) { return pMember->read(Buffer, Length); }
void FILbinaryFile::set_position(unsigned Position) { seek(static_cast<unsigned long long>(Position)); }
bool FILbinaryFile::at_end() { return pMember->eof(); }
unsigned long long FILbinaryFile::position64() { return pMember->position(); }
void FILbinaryFile::rewind() { seek(0ull); }
bool FILbinaryFile::isOpen() const { return pMember->isOpen(); }
unsigned long long FILbinaryFile::size() { return pMember->size(); }
void* FILbinaryFile::osHandle() const { return pMember->osHandle(); }
const COLstring& FILbinaryFile::fileName() const { return pMember->FileName; }
void FILbinaryFile::setFileName(const COLstring& FileName) { pMember->FileName = FileName; }

void FILbinaryFile::copyTo(COLsink* pDest) {
  COL_PRECONDITION(pDest, 735, Source);
  const unsigned Block = 512;
  COLsimpleBuffer buffer(Block);
  unsigned got;
  do {
    got = read(buffer.data(), Block);
    pDest->write(buffer.data(), got);
  } while (got == Block);
  pDest->flush();
  pDest->end_of_data();
  seek(0ull);
}
