// Helpers shared by the tests of every library: a sink that records each write apart,
// the exact-text pattern for death tests, and a check of a COLerror's four fields.
#pragma once

#include "COL/COLerror.h"
#include "COL/COLsink.h"

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

// The fields of an error, for one comparison that prints all of them on a mismatch.
struct TESTerrorFields {
  std::string description;
  int code;
  std::string file;
  int line;
  bool operator==(const TESTerrorFields& other) const {
    return description == other.description && code == other.code && file == other.file &&
           line == other.line;
  }
};
TESTerrorFields TESTfieldsOf(const COLerror& error);
std::ostream& operator<<(std::ostream& out, const TESTerrorFields& fields);

// True in the build over our Linux layer, false in the Windows build: for the tests that are
// about the layer's own mapping, which skip on Windows.
bool TESTlayerBuild();

// A fresh directory of the test's own under the system's temporary directory, removed with
// everything in it (read-only files too) when the object goes. Paths are in Windows form.
// enter() makes it the current directory until the object goes.
class TESTtemporaryDirectory {
public:
  TESTtemporaryDirectory();
  ~TESTtemporaryDirectory();
  TESTtemporaryDirectory(const TESTtemporaryDirectory&) = delete;
  TESTtemporaryDirectory& operator=(const TESTtemporaryDirectory&) = delete;

  // The directory, without a trailing backslash.
  const std::string& path() const { return m_Path; }
  // The path of an entry in the directory.
  std::string operator/(const std::string& name) const { return m_Path + "\\" + name; }
  void enter();

private:
  std::string m_Path;
  std::string m_Previous;
};

// Removes a directory and everything in it; quietly does what it can.
void TESTremoveTree(const std::string& path);
// Writes (creating or emptying) and reads whole files; a failure fails the test.
void TESTwriteFile(const std::string& path, const std::string& contents);
std::string TESTreadFile(const std::string& path);
// Runs a program with the arguments (not counting its name) and waits for it; the answer
// is its exit code, or -1 when it could not start. Arguments must not contain blanks.
int TESTrunProgram(const std::string& program, const std::vector<std::string>& arguments);
// The full path of the running test program.
std::string TESTprogramPath();

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
    return TESTerrorFields{"<nothing thrown>", 0, "", 0};               \
  }())
