// COLerror, the one exception type of the system, and the three levels of failure:
// a fatal assertion (a broken invariant: print, abort), a failed pre- or postcondition
// (a caller's error: a COLerror unless the abort flag is set), and a run-time error
// (thrown directly with its text and code). Every check names its source unit and line.
//
// The line numbers passed with errors and checks are fixed numbers, not the lines the
// calls stand at: with the source unit's name they are part of each error's text and
// fields as callers and users see them, so they stay as they are when the code moves.
// Every call here takes them in one order: the line, then the source unit.
#pragma once

#include "COL/COLrefCounted.h"
#include "COL/COLstring.h"

class COLostream;

class COLerror : public COLrefCounted {
public:
  COLerror(const COLstring& description, int line, const char* file, int code);
  COLerror(const COLstring& description, int code);
  COLerror(const COLerror& other, int code);
  COLerror(const COLerror& other);
  ~COLerror() override;

  virtual COLerror& operator=(const COLerror& other);
  virtual bool operator==(const COLerror& other) const;

  const COLstring& description() const { return m_Description; }
  int code() const { return m_Code; }
  const COLstring& file() const { return m_File; }
  int line() const { return m_Line; }
  void set_description(const COLstring& description) { m_Description = description; }
  void set_code(int code) { m_Code = code; }

private:
  COLstring m_Description;
  int m_Code;
  COLstring m_File;
  int m_Line;
};

COLostream& operator<<(COLostream& stream, const COLerror& error);

// The system's own error codes. A COLerror carries one of these, except that the error of
// a failed Windows call (COLraiseWindowsError, COLdll and the like) carries the Windows
// error code, and that of a failed runtime-library file call carries errno.
enum : int {
  COL_ERROR_PRECONDITION = static_cast<int>(0x80000100),
  COL_ERROR_POSTCONDITION = static_cast<int>(0x80000101),
  COL_ERROR_FILE_NOT_FOUND = static_cast<int>(0x80000201),
  // A text that cannot be converted; a registry call's failure and a lack of memory carry
  // it too.
  COL_ERROR_CONVERSION = static_cast<int>(0x80000500),
  COL_ERROR_DATE_TIME = static_cast<int>(0x80002000),
};

// Process-wide failure settings; nothing in the system changes the defaults.
typedef void (*COLfailureCallbackFunction)(COLostream& message);
void COLsetAbortOnFailure(bool abort);
bool COLabortOnFailure();
void COLsetFailureCallback(COLfailureCallbackFunction callback);
COLfailureCallbackFunction COLfailureCallback();
void COLdefaultFailureCallback(COLostream& message);

[[noreturn]] void COLfatal(const COLstring& message);
[[noreturn]] void COLabort();

COLstring COLwindowsErrorText(int code);
int COLlastError();
COLstring COLstrerror(int errnum);
[[noreturn]] void COLraiseWindowsError(int code, const char* text, int line, const char* file);

// The failure sequences behind the check macros below.
[[noreturn]] void COLassertionFailed(int line, const char* source, const char* expression);
[[noreturn]] void COLpreconditionFailed(int line, const char* source, const char* expression);
[[noreturn]] void COLpostconditionFailed(int line, const char* source, const char* expression);

#define COL_ASSERT(expression, line, source) \
  do { if (!(expression)) COLassertionFailed(line, source, #expression); } while (0)
#define COL_PRECONDITION(expression, line, source) \
  do { if (!(expression)) COLpreconditionFailed(line, source, #expression); } while (0)
#define COL_POSTCONDITION(expression, line, source) \
  do { if (!(expression)) COLpostconditionFailed(line, source, #expression); } while (0)
