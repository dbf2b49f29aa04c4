// The two PATH values that Skelwin edits, seeded and read back by the tests themselves
// through the registry calls. On Linux each fixture gets a fresh registry store of its
// own and a broadcast log; in the Windows build the values are Wine's own, saved when the
// fixture starts and put back when it ends.
#pragma once

#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

struct SKELscope {
  HKEY root;
  const char* key;
  const char* label;
};
extern const SKELscope SKELuser;
extern const SKELscope SKELmachine;

// A PATH value as it lies in the registry: whether it exists, its type and its bytes.
struct SKELstoredValue {
  bool exists;
  DWORD type;
  std::string bytes;
  bool operator==(const SKELstoredValue& other) const {
    return exists == other.exists && (!exists || (type == other.type && bytes == other.bytes));
  }
};
std::ostream& operator<<(std::ostream& out, const SKELstoredValue& value);

SKELstoredValue SKELmissing();
// A string value's bytes, with the terminating NUL that a writer of the text stores.
SKELstoredValue SKELtext(DWORD type, const std::string& text);

class SKELregistryFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the scope's PATH value, whatever the case of its stored name, by one of the
  // given name (or removes it, for a value that does not exist).
  void seed(const SKELscope& scope, const SKELstoredValue& value, const char* name = "PATH");
  SKELstoredValue stored(const SKELscope& scope);
  // The same through the wide calls, with the texts in UTF-8: every character as stored.
  void seedText(const SKELscope& scope, const SKELstoredValue& value);
  SKELstoredValue storedText(const SKELscope& scope);
  // The stored name of the scope's PATH value, as the registry keeps its case.
  std::string storedName(const SKELscope& scope);
  // The environment-change notices sent so far (Linux only: our layer writes them down).
  int notices();
  // Where our layer writes the notices down, one line each.
  const std::string& noticeLog() const { return log_; }
  // The file that stands for the machine hive in our layer.
  std::string machineHiveFile() const;

private:
  struct Saved {
    SKELstoredValue value;
    std::string name;
  };
  std::unique_ptr<TESTprivateRegistryStore> store_;
  std::unique_ptr<TESTtemporaryDirectory> logDirectory_;
  std::string log_;
  Saved savedUser_, savedMachine_;
};
