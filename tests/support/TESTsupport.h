// Helpers shared by the tests of every library: a sink that records each write apart,
// the exact-text pattern for death tests, and a check of a COLerror's four fields.
#pragma once

#include "COL/COLerror.h"
#include "COL/COLsink.h"
#include "platform/PLATwindows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Records every write as one entry, so a test sees how many writes an operation made.
class TESTrecordingSink : public COLsink {
public:
  unsigned write(const void* data, unsigned length) override {
    writes.emplace_back(static_cast<const char*>(data), length);
    return length;
  }
  void flush() override { ++flushes; }
  void end_of_data() override { ++ends; }
  std::string text() const;

  std::vector<std::string> writes;
  int flushes = 0;
  int ends = 0;
};

// A death-test pattern that matches exactly this text (every pattern character escaped),
// for the regular expressions of both the Linux and the Windows GoogleTest.
std::string TESTexactly(const std::string& text);

// Makes COLstandardOutput write to standard error, so that a death test sees what a dying
// process wrote to both of its standard streams, in the order it wrote them.
void TESTstandardOutputToStandardError();

std::string TESTtext(const COLstring& text);

// The fields of an error, for one comparison that prints all of them on a mismatch; the
// line comes before the source, as in every call that raises one.
struct TESTerrorFields {
  std::string description;
  int code;
  int line;
  std::string file;
  bool operator==(const TESTerrorFields& other) const {
    return description == other.description && code == other.code && line == other.line &&
           file == other.file;
  }
};
TESTerrorFields TESTfieldsOf(const COLerror& error);
// The fields of an error in the runtime's errno form: the action, one blank, COLstrerror
// of the error and "."; errno as the code and no source position.
TESTerrorFields TESTerrnoError(const std::string& action, int error);
// The fields of a failed Windows call's error without a source position: the text followed
// by COLwindowsErrorText of the code.
TESTerrorFields TESTwindowsError(const std::string& text, int code);
std::ostream& operator<<(std::ostream& out, const TESTerrorFields& fields);

// Runs the statement and returns the fields of the COLerror it throws; fails the test
// when it throws nothing.
#define TEST_ERROR_OF(statement)                                        \
  ([&]() -> TESTerrorFields {                                           \
    try {                                                               \
      statement;                                                        \
    } catch (const COLerror& error_) {                                  \
      return TESTfieldsOf(error_);                                      \
    }                                                                   \
    ADD_FAILURE() << "no COLerror from: " #statement;                   \
    return TESTerrorFields{"<nothing thrown>", 0, 0, ""};               \
  }())

// Pins the C runtime's local time zone to a POSIX TZ text (such as "UTC0" or "EST5") for
// its lifetime and restores the previous setting after. The Windows runtime reads TZ
// itself; Windows' own calls (FILETIME to local time) keep the system's zone.
class TESTtimeZone {
public:
  explicit TESTtimeZone(const char* tz);
  ~TESTtimeZone();
  TESTtimeZone(const TESTtimeZone&) = delete;
  TESTtimeZone& operator=(const TESTtimeZone&) = delete;

private:
  bool m_HadZone;
  std::string m_Previous;
};

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar, computed apart from
// the library's own calendar code so that tests can check it.
long long TESTdaysFromCivil(long long year, unsigned month, unsigned day);
// True in the Windows build, whose tests run under Wine against the real system; a test
// that only one build can run skips on the other with its reason.
constexpr bool TESTwindowsBuild = TEST_WINDOWS_BUILD != 0;

// Sets (or, with a null value, removes) a variable of the process environment.
void TESTsetEnvironment(const std::string& name, const char* value);

// The Windows form of a path that the standard library names natively (in our layer's
// build drive Z: is the POSIX root), for the tests that go through the door.
std::string TESTwindowsPath(const std::string& nativePath);

// A path the build wrote into a test (absolute, POSIX) as Windows names it, in both
// builds: drive Z: (the POSIX root under Wine and in our layer) and backslashes.
std::string TESTdriveZPath(const std::string& posixPath);

// A path the build wrote into a test (absolute, POSIX) as the test hands it to the door:
// under Wine behind drive Z:, natively as it is, which our layer takes too.
std::string TESTbuildPath(const std::string& posixPath);

// A new empty directory under the system's temporary directory, removed with all it
// holds when the object goes.
class TESTtemporaryDirectory {
public:
  TESTtemporaryDirectory();
  ~TESTtemporaryDirectory();
  TESTtemporaryDirectory(const TESTtemporaryDirectory&) = delete;
  TESTtemporaryDirectory& operator=(const TESTtemporaryDirectory&) = delete;
  const std::string& path() const { return path_; }
  // The directory in Windows form, and the Windows-form path of an entry in it.
  std::string windowsPath() const { return TESTwindowsPath(path_); }
  std::string operator/(const std::string& name) const { return windowsPath() + "\\" + name; }

private:
  std::string path_;
};

// For its lifetime, points our layer's registry (PLAT_REGISTRY_DIR) at a store of its
// own, empty until first use, so a test starts from a fresh installation and never
// touches the user's store. In the Windows build it changes nothing.
class TESTprivateRegistryStore {
public:
  TESTprivateRegistryStore();
  ~TESTprivateRegistryStore();
  const std::string& directory() const { return directory_.path(); }

private:
  TESTtemporaryDirectory directory_;
  std::string before_;
  bool hadBefore_ = false;
};

// The whole content of a file, or "<missing>" when it cannot be read.
std::string TESTfileText(const std::string& path);
void TESTwriteFile(const std::string& path, const std::string& text);

// For its lifetime, makes a directory (in Windows form) the current one.
class TESTcurrentDirectory {
public:
  explicit TESTcurrentDirectory(const std::string& windowsPath);
  ~TESTcurrentDirectory();
  TESTcurrentDirectory(const TESTcurrentDirectory&) = delete;
  TESTcurrentDirectory& operator=(const TESTcurrentDirectory&) = delete;

private:
  std::string previous_;
};

// Writes (creating or emptying) and reads whole files at Windows-form paths, through the
// door's PLATfopen; a failure fails the test.
void TESTwriteWindowsFile(const std::string& windowsPath, const std::string& text);
std::string TESTreadWindowsFile(const std::string& windowsPath);
// Runs a program (a Windows-form path) with the arguments after its name and waits for
// it; the answer is its exit code, or -1 when it cannot start. No argument may hold a
// blank: Windows joins them into one command line unquoted.
int TESTrunProgram(const std::string& program, const std::vector<std::string>& arguments);
// The full path of the running test program, in Windows form.
std::string TESTprogramPath();
// Copies the running test program to a path in Windows form given in UTF-8, making the
// directory that holds it when missing; the copy's path keeps every character, whatever
// the code page. A failure fails the test.
void TESTcopyProgram(const std::string& utf8Path);

// Text in UTF-8 as WCHARs and back, where a surrogate without its other half is written in
// UTF-8 as it would be were it a character (U+D800 is "\xED\xA0\x80"), so that tests can
// give and read back text that is not well-formed UTF-16 as Windows may hold it. With
// 32-bit WCHARs (natively) a character beyond U+FFFF is one WCHAR.
std::wstring TESTwideOfUtf8(const std::string& utf8);
std::string TESTutf8OfWide(const std::wstring& wide);
// The text (UTF-8) in the process's code page, for the tests of what the ANSI calls do
// with it. False when that code page cannot hold every character of it: its bytes would
// not turn back into the same text.
bool TESTcodePageText(const std::string& utf8, std::string& text);
