// The errno form of the file library's errors, shared by its source units: the action with
// the file it names, one blank, the runtime's text for the error and "."; the error number
// is the code and there is no source position.
#pragma once

#include "COL/COLerror.h"
#include "COL/COLostream.h"

[[noreturn]] inline void FILraiseErrno(const COLstring& Action, int Error) {
  COLostreamString text;
  text << Action << ' ' << COLstrerror(Error) << '.';
  throw COLerror(text.string(), Error);
}
