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
