// The directory enumerator over FindFirstFileA, FindNextFileA and FindClose. The search
// finds the first entry when it starts; next() hands that one out before it asks for more.
#include "FIL/FILdirEnumerator.h"

#include "COL/COLdateTime.h"
#include "COL/COLerror.h"
#include "platform/PLATwindows.h"

#include <cstring>

namespace {

const char* const Source = "FILdirEnumerator";

bool isDirectoryEntry(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

}  // namespace

class FILdirEnumeratorPrivate {
public:
  FILdirEnumeratorPrivate(const COLstring& pattern, bool directoriesOnly)
      : Pattern(pattern), DirectoriesOnly(directoriesOnly) {
    forgetEntry();
  }
  ~FILdirEnumeratorPrivate() {
    try {
      closeSearch(72);
    } catch (...) {
      // Nothing can be done about a search that would not close, and a destructor must
      // not throw.
    }
  }

  COLstring Pattern;
  bool DirectoriesOnly;
  WIN32_FIND_DATAA FindData;
  bool HasEntry = false;
  HANDLE SearchHandle = nullptr;
  bool FirstPending = false;
  COLdateTime CreationTime;
  COLdateTime LastWriteTime;

  bool skipped() const {
    const char* name = FindData.cFileName;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return true;
    return DirectoriesOnly && !isDirectoryEntry(FindData.dwFileAttributes);
  }

  void forgetEntry() { memset(&FindData, 0, sizeof FindData); }

  // The handle is dropped before a failure is raised, so that it is never closed twice.
  void closeSearch(int line) {
    if (SearchHandle == nullptr) return;
    HANDLE search = SearchHandle;
    SearchHandle = nullptr;
    if (!FindClose(search))
      COLraiseWindowsError(COLlastError(), "::FindClose(SearchHandle)  Failed", line, Source);
  }

  void start() {
    FirstPending = true;
    HasEntry = true;
    try {
      closeSearch(88);
    } catch (...) {
      FirstPending = HasEntry = false;
      forgetEntry();
      throw;
    }
    forgetEntry();
    HANDLE search = FindFirstFileA(Pattern.c_str(), &FindData);
    if (search == INVALID_HANDLE_VALUE) {
      // No match, no such directory or no valid pattern: all of them list nothing.
      HasEntry = false;
      forgetEntry();
      return;
    }
    SearchHandle = search;
    // The first entry stays pending even when it had to be skipped, so that the first
    // next() hands out the entry found here instead of moving past it.
    if (skipped()) advance();
  }

  void advance() {
    // Without a search (the start found nothing) the listing is over as an exhausted one
    // is; asking FindNextFileA with no handle would fail and raise.
    if (SearchHandle == nullptr) {
      HasEntry = false;
      return;
    }
    for (;;) {
      if (!FindNextFileA(SearchHandle, &FindData)) {
        const int error = COLlastError();
        HasEntry = false;
        forgetEntry();
        if (error == ERROR_NO_MORE_FILES) return;
        const COLstring text = "FindNextFile failed on " + Pattern;
        COLraiseWindowsError(error, text.c_str(), 158, Source);
      }
      if (!skipped()) {
        HasEntry = true;
        return;
      }
    }
  }
};

FILdirEnumerator::FILdirEnumerator(const COLstring& Pattern, bool DirectoriesOnly)
    : pMember(new FILdirEnumeratorPrivate(Pattern, DirectoriesOnly)) {
  try {
    pMember->start();
  } catch (...) {
    delete pMember;  // closing a search that the start opened
    throw;
  }
}

FILdirEnumerator::~FILdirEnumerator() { delete pMember; }

bool FILdirEnumerator::next(COLstring& Name) {
  if (pMember->FirstPending)
    pMember->FirstPending = false;
  else
    pMember->advance();
  if (pMember->HasEntry) Name = pMember->FindData.cFileName;
  return pMember->HasEntry;
}

void FILdirEnumerator::reset() { pMember->start(); }

bool FILdirEnumerator::isDirectory() const {
  return isDirectoryEntry(pMember->FindData.dwFileAttributes);
}

bool FILdirEnumerator::isReadOnly() const {
  return (pMember->FindData.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool FILdirEnumerator::isHidden() const {
  return (pMember->FindData.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool FILdirEnumerator::isReparsePoint() const {
  return (pMember->FindData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

const COLdateTime& FILdirEnumerator::creationTime() {
  pMember->CreationTime = pMember->FindData.ftCreationTime;
  return pMember->CreationTime;
}

const COLdateTime& FILdirEnumerator::lastWriteTime() {
  pMember->LastWriteTime = pMember->FindData.ftLastWriteTime;
  return pMember->LastWriteTime;
}

unsigned FILdirEnumerator::size() const { return pMember->FindData.nFileSizeLow; }
