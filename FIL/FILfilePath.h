// FILfilePath: a Windows path taken apart into its root (a drive such as C:, a UNC root such
// as \\server\share, or the current directory's root for a path without one), its directory
// components, its file name and its extension. Relative paths are made absolute against a
// current directory; ".", ".." and empty components are resolved away. Only the backslash
// separates (every "/" becomes one). The texts that the accessors return point into the
// object's own copy of the path and stay valid until the next setPath.
#pragma once

#include "COL/COLstring.h"

class FILfilePathPrivate;

class FILfilePath {
public:
  FILfilePath();
  ~FILfilePath();
  FILfilePath(const FILfilePath&) = delete;
  FILfilePath& operator=(const FILfilePath&) = delete;

  // Parses the path, replacing the previous parse. A failure raises a COLerror whose text
  // names the path (code COL_ERROR_PRECONDITION) and leaves the object as if never set.
  void setPath(const char* Path);
  // The directory that relative paths are resolved against from now on; null means the
  // process's current directory as it is now. Without a call, the process's current
  // directory at the first relative parse is taken and kept.
  void setCurrentDirectory(const char* Directory);

  // Never ends in a backslash. Needs a successful setPath first, as extension() does.
  const char* root() const;
  // Without its dot; "" when there is none.
  const char* extension() const;
  const char* baseName() const;
  // Appends the base name, then "." and the extension when there is one.
  void appendFileName(COLstring& Target) const;
  COLstring fileName() const;

  unsigned directoryCount() const;
  // The component at that index, counted from the root outwards.
  const char* directory(unsigned Index) const;
  // "\" followed by each component and "\".
  const char* directoryPath() const;

  // The root followed by the directory path, such as C:\a\b\.
  void getRootAndDirectory(COLstring& Target) const;
  COLstring rootAndDirectory() const;
  // The root, the directory path and the file name, such as C:\a\b\name.txt.
  void getFullPath(COLstring& Target) const;
  COLstring fullPath() const;

private:
  FILfilePathPrivate* pMember;
};
