// FILdirEnumerator: the entries of one directory that match a search pattern (a directory
// and a wildcard name, such as C:\dir\*.*), one name at a time, without "." and "..", and
// optionally only the subdirectories; for the current entry, its attributes, size and
// times. A pattern that matches nothing, in a directory that may not even exist, is an
// empty listing, not an error.
//
// A link to a directory (a symbolic link or a junction) is listed as the system describes
// it: isDirectory() answers its directory attribute, and isReparsePoint() beside it tells
// that it is a link. Code that descends into the directories it lists asks both, so that
// it stays inside the tree (the tree removal removes such a link and never enters it).
#pragma once

#include "COL/COLstring.h"

class COLdateTime;
class FILdirEnumeratorPrivate;

class FILdirEnumerator {
public:
  // Starts the search at once.
  FILdirEnumerator(const COLstring& Pattern, bool DirectoriesOnly = false);
  ~FILdirEnumerator();
  FILdirEnumerator(const FILdirEnumerator&) = delete;
  FILdirEnumerator& operator=(const FILdirEnumerator&) = delete;

  // True with the next entry's name in Name; false, Name untouched, when the listing is over.
  bool next(COLstring& Name);
  // Starts the listing again from its first entry.
  void reset();

  // These describe the entry that the last successful next() gave; after the listing is
  // over they describe no entry (false, 0, and the time of a zero FILETIME).
  bool isDirectory() const;
  bool isReadOnly() const;
  bool isHidden() const;
  bool isReparsePoint() const;
  // Local time to the second. The value is the enumerator's own and is overwritten by the
  // next call of the same accessor.
  const COLdateTime& creationTime();
  const COLdateTime& lastWriteTime();
  // The low 32 bits of the entry's size only: exact below 4 GiB.
  unsigned size() const;

private:
  FILdirEnumeratorPrivate* pMember;
};
