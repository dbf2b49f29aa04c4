// The registry functions with Windows' meaning, on both builds: natively over our layer's
// store (a private one per test), in the Windows build against Wine's registry. Each test
// works below a key of its own under HKEY_CURRENT_USER\Software, made and removed by the
// fixture.
#include "platform/PLATwindows.h"
#include "tests/support/TESTregistry.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string bytes(const char* text, size_t size) { return std::string(text, size); }

LONG create(HKEY parent, const std::string& path, HKEY* key, DWORD* disposition = nullptr) {
  return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key, disposition);
}

// Windows reads one byte past a string it is given and keeps it when it is a NUL; the
// guard byte after the data keeps every write to exactly the bytes named.
LONG set(HKEY key, const char* name, DWORD type, const std::string& data) {
  std::string guarded = data + 'X';
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(guarded.data()),
                        static_cast<DWORD>(data.size()));
}

struct Stored {
  LONG status;
  DWORD type;
  std::string data;
};

Stored query(HKEY key, const char* name) {
  DWORD type = 0, size = 0;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return Stored{status, type, ""};
  std::string data(size + 1, 'x');
  status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
  data.resize(size);
  return Stored{status, type, data};
}

std::vector<std::string> subkeyNames(HKEY key) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof name;
    LONG status = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(status, ERROR_SUCCESS);
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::string> valueNames(HKEY key) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    std::vector<char> name(16384);
    DWORD length = static_cast<DWORD>(name.size());
    LONG status = RegEnumValueA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(status, ERROR_SUCCESS);
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

class PLATregistry : public ::testing::Test {
protected:
  void SetUp() override {
    own_.reset(new TESTregistryKey("PLATFORMtests"));
    path_ = own_->path();
    key_ = own_->key();
    ASSERT_NE(key_, nullptr);
  }
  void TearDown() override { own_.reset(); }
  HKEY reopened(REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, access, &key), ERROR_SUCCESS);
    return key;
  }

  TESTprivateRegistryStore store_;
  std::unique_ptr<TESTregistryKey> own_;
  std::string path_;
  HKEY key_ = nullptr;
};

struct ValueCase {
  const char* why;
  DWORD type;
  std::string data;
};

TEST_F(PLATregistry, ValuesKeepTheirTypeAndEveryByte) {
  std::string everyByte;
  for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
  const ValueCase cases[] = {
      {"terminated text", REG_SZ, bytes("text\0", 5)},
      {"text without its terminator", REG_SZ, "abc"},
      {"text with NULs inside", REG_SZ, bytes("ab\0cd\0", 6)},
      {"empty text of no bytes at all", REG_SZ, ""},
      {"text of 10,000 characters", REG_SZ, std::string(10000, 'p') + '\0'},
      {"text with quotes, backslashes and line breaks", REG_SZ, bytes("say \"hi\"\\\r\n\t;[x]\0", 18)},
      {"expandable text, kept unexpanded", REG_EXPAND_SZ, bytes("%SystemRoot%\\x;%PATH%\0", 22)},
      {"expandable text without its terminator", REG_EXPAND_SZ, "%A%"},
      {"multi-string", REG_MULTI_SZ, bytes("one\0two\0\0", 9)},
      {"every byte value", REG_BINARY, everyByte},
      {"binary of odd size", REG_BINARY, "\x01\x02\x03\x04\x05"},
      {"empty binary", REG_BINARY, ""},
      {"dword", REG_DWORD, bytes("\x2a\0\0\0", 4)},
      {"dword of three bytes", REG_DWORD, "\x01\x02\x03"},
      {"big-endian dword", REG_DWORD_BIG_ENDIAN, bytes("\0\0\0\x2a", 4)},
      {"qword", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"},
      {"no type", REG_NONE, bytes("\0\xff", 2)},
      {"a type of the caller's own", 0x12345, "z"},
  };
  int index = 0;
  for (const ValueCase& c : cases)
    ASSERT_EQ(set(key_, ("v" + std::to_string(index++)).c_str(), c.type, c.data), ERROR_SUCCESS) << c.why;

  HKEY key = reopened();
  index = 0;
  for (const ValueCase& c : cases) {
    std::string name = "v" + std::to_string(index++);
    Stored got = query(key, name.c_str());
    EXPECT_EQ(got.status, ERROR_SUCCESS) << c.why;
    EXPECT_EQ(got.type, c.type) << c.why;
    EXPECT_EQ(got.data, c.data) << c.why;
  }
  // The enumeration reports the same types and bytes.
  for (DWORD i = 0;; ++i) {
    char name[16];
    DWORD nameLength = sizeof name, type = 0, size = 12000;
    std::string data(size, 'x');
    LONG status = RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    if (status == ERROR_NO_MORE_ITEMS) {
      EXPECT_EQ(i, sizeof cases / sizeof cases[0]);
      break;
    }
    ASSERT_EQ(status, ERROR_SUCCESS);
    const ValueCase& c = cases[std::stoi(std::string(name + 1, nameLength - 1))];
    EXPECT_EQ(type, c.type) << c.why;
    EXPECT_EQ(data.substr(0, size), c.data) << c.why;
  }
  RegCloseKey(key);
}

TEST_F(PLATregistry, TheDefaultValueHasTheEmptyName) {
  ASSERT_EQ(set(key_, "", REG_SZ, bytes("default\0", 8)), ERROR_SUCCESS);
  ASSERT_EQ(set(key_, "@", REG_SZ, bytes("at\0", 3)), ERROR_SUCCESS);
  EXPECT_EQ(query(key_, nullptr).data, bytes("default\0", 8));
  EXPECT_EQ(query(key_, "@").data, bytes("at\0", 3));
  EXPECT_EQ(RegDeleteValueA(key_, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(query(key_, "").status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(query(key_, "@").status, ERROR_SUCCESS);
}

struct QueryCase {
  const char* why;
  const char* value;
  DWORD bufferSize;  // 0xFFFFFFFF: no buffer
  LONG status;
  DWORD size;
  std::string buffer;  // the first bytes of a buffer filled with 'x' before the call
};

TEST_F(PLATregistry, QueryReportsTheSizeAndMoreData) {
  ASSERT_EQ(set(key_, "Text", REG_SZ, bytes("foobar\0", 7)), ERROR_SUCCESS);
  ASSERT_EQ(set(key_, "Open", REG_SZ, "abc"), ERROR_SUCCESS);
  ASSERT_EQ(set(key_, "Multi", REG_MULTI_SZ, bytes("a\0b", 3)), ERROR_SUCCESS);
  ASSERT_EQ(set(key_, "Bytes", REG_BINARY, "abc"), ERROR_SUCCESS);
  const DWORD None = 0xFFFFFFFF;
  const QueryCase cases[] = {
      {"no buffer asks the size", "Text", None, ERROR_SUCCESS, 7, "xxxxxxxx"},
      {"a buffer too small gets nothing", "Text", 3, ERROR_MORE_DATA, 7, "xxxxxxxx"},
      {"an empty buffer is too small", "Text", 0, ERROR_MORE_DATA, 7, "xxxxxxxx"},
      {"the exact size", "Text", 7, ERROR_SUCCESS, 7, bytes("foobar\0x", 8)},
      {"a larger buffer", "Text", 20, ERROR_SUCCESS, 7, bytes("foobar\0x", 8)},
      {"text without terminator in its exact size", "Open", 3, ERROR_SUCCESS, 3, "abcxxxxx"},
      {"text without terminator gets one where there is room", "Open", 4, ERROR_SUCCESS, 3, bytes("abc\0xxxx", 8)},
      {"so does a multi-string", "Multi", 5, ERROR_SUCCESS, 3, bytes("a\0b\0xxxx", 8)},
      {"binary data never does", "Bytes", 8, ERROR_SUCCESS, 3, "abcxxxxx"},
      {"a missing value", "Nothing", 20, ERROR_FILE_NOT_FOUND, 20, "xxxxxxxx"},
  };
  for (const QueryCase& c : cases) {
    std::string buffer(32, 'x');
    DWORD size = c.bufferSize == None ? 0 : c.bufferSize;
    LONG status = RegQueryValueExA(key_, c.value, nullptr, nullptr,
                                   c.bufferSize == None ? nullptr : reinterpret_cast<BYTE*>(&buffer[0]), &size);
    EXPECT_EQ(status, c.status) << c.why;
    EXPECT_EQ(size, c.size) << c.why;
    EXPECT_EQ(buffer.substr(0, 8), c.buffer) << c.why;
  }
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExA(key_, "Bytes", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
}

TEST_F(PLATregistry, NamesIgnoreCaseAndKeepTheirs) {
  HKEY sub;
  ASSERT_EQ(create(key_, "MixedCase", &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  DWORD disposition = 0;
  ASSERT_EQ(create(key_, "MIXEDcase", &sub, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(sub);
  ASSERT_EQ(RegOpenKeyExA(key_, "mixedcase", 0, KEY_READ, &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  EXPECT_EQ(subkeyNames(key_), std::vector<std::string>{"MixedCase"});

  ASSERT_EQ(set(key_, "ValueName", REG_SZ, bytes("one\0", 4)), ERROR_SUCCESS);
  ASSERT_EQ(set(key_, "VALUENAME", REG_DWORD, bytes("\x02\0\0\0", 4)), ERROR_SUCCESS);
  Stored got = query(key_, "valuename");
  EXPECT_EQ(got.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(got.data, bytes("\x02\0\0\0", 4));
  EXPECT_EQ(valueNames(key_), std::vector<std::string>{"ValueName"});
  EXPECT_EQ(RegDeleteValueA(key_, "VALUEname"), ERROR_SUCCESS);
  EXPECT_TRUE(valueNames(key_).empty());
  EXPECT_EQ(RegDeleteKeyA(key_, "MIXEDCASE"), ERROR_SUCCESS);
  EXPECT_TRUE(subkeyNames(key_).empty());
}

TEST_F(PLATregistry, NamesWithTheStoreFormsCharactersComeBack) {
  const std::vector<std::string> keyNames = {"with ] bracket", "[bracketed]", ";semicolon", "\"quoted\"",
                                             "a=b", " spaces ", "@"};
  const std::vector<std::string> names = {"quote \" inside", "back\\slash", "a=b", ";x", "[x]", "@",
                                          "line\nbreak", "tab\there", std::string(16383, 'n')};
  for (const std::string& name : keyNames) {
    HKEY sub;
    ASSERT_EQ(create(key_, name, &sub), ERROR_SUCCESS) << name;
    RegCloseKey(sub);
  }
  for (const std::string& name : names)
    ASSERT_EQ(set(key_, name.c_str(), REG_SZ, name + '\0'), ERROR_SUCCESS) << name;

  HKEY key = reopened();
  // In the order of the upper-cased names, where letters sort between "@" and "[".
  const std::vector<std::string> upperCaseOrder = {" spaces ", "\"quoted\"", ";semicolon", "@", "a=b",
                                                   "with ] bracket", "[bracketed]"};
  if (TESTwindowsBuild) {
    // Wine orders by the lower-cased names, which puts "[" before the letters.
    const std::vector<std::string> lowerCaseOrder = {" spaces ", "\"quoted\"", ";semicolon", "@", "[bracketed]",
                                                     "a=b", "with ] bracket"};
    std::vector<std::string> got = subkeyNames(key);
    EXPECT_TRUE(got == upperCaseOrder || got == lowerCaseOrder) << testing::PrintToString(got);
  } else {
    EXPECT_EQ(subkeyNames(key), upperCaseOrder);
  }
  std::vector<std::string> gotNames = valueNames(key), sortedNames = names;
  std::sort(gotNames.begin(), gotNames.end());  // Wine keeps values sorted, Windows in creation order
  std::sort(sortedNames.begin(), sortedNames.end());
  EXPECT_EQ(gotNames, sortedNames);
  for (const std::string& name : names) EXPECT_EQ(query(key, name.c_str()).data, name + '\0') << name;
  RegCloseKey(key);
  EXPECT_EQ(set(key_, std::string(16384, 'n').c_str(), REG_SZ, ""), ERROR_INVALID_PARAMETER);
}

TEST_F(PLATregistry, EnumerationKeepsItsOrderAndEnds) {
  for (const char* name : {"b", "A", "c", "B2", "a1"}) {
    HKEY sub;
    ASSERT_EQ(create(key_, name, &sub), ERROR_SUCCESS);
    RegCloseKey(sub);
    ASSERT_EQ(set(key_, name, REG_SZ, bytes("data\0", 5)), ERROR_SUCCESS);
  }
  // Subkeys come in the order of their case-folded names.
  EXPECT_EQ(subkeyNames(key_), (std::vector<std::string>{"A", "a1", "b", "B2", "c"}));
  std::vector<std::string> creationOrder = {"b", "A", "c", "B2", "a1"};
  if (TESTwindowsBuild) {
    // Wine keeps values sorted by name, where Windows keeps them in creation order.
    std::vector<std::string> values = valueNames(key_);
    EXPECT_TRUE(values == creationOrder || values == subkeyNames(key_)) << testing::PrintToString(values);
  } else {
    EXPECT_EQ(valueNames(key_), creationOrder);
  }

  char name[8] = "zzzzzzz";
  DWORD length = 2;  // "B2" needs three with its terminator
  EXPECT_EQ(RegEnumKeyExA(key_, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(length, 2u);
  EXPECT_STREQ(name, "zzzzzzz");
  length = 3;
  EXPECT_EQ(RegEnumKeyExA(key_, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(length, 2u);
  EXPECT_STREQ(name, "B2");
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key_, 5, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  // Values: a name or data buffer too small gives ERROR_MORE_DATA and the data size needed.
  HKEY values;
  ASSERT_EQ(create(key_, "values", &values), ERROR_SUCCESS);
  ASSERT_EQ(set(values, "Test", REG_SZ, bytes("foobar\0", 7)), ERROR_SUCCESS);
  char data[8] = "xxxxxxx";
  DWORD type = 0, size = sizeof data;
  strcpy(name, "zzzzzzz");
  length = 4;
  EXPECT_EQ(RegEnumValueA(values, 0, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_MORE_DATA);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  strcpy(data, "xxxxxxx");  // whether the data is copied when the name does not fit differs
  length = 5;
  size = 6;
  EXPECT_EQ(RegEnumValueA(values, 0, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  EXPECT_STREQ(data, "xxxxxxx");
  size = 7;
  EXPECT_EQ(RegEnumValueA(values, 0, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
  EXPECT_EQ(length, 4u);
  EXPECT_STREQ(name, "Test");
  EXPECT_EQ(size, 7u);
  EXPECT_STREQ(data, "foobar");
  length = sizeof name;
  size = 0;
  EXPECT_EQ(RegEnumValueA(values, 0, name, &length, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 7u);
  length = sizeof name;
  EXPECT_EQ(RegEnumValueA(values, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(values);
}

TEST_F(PLATregistry, DeletingKeysAndValues) {
  HKEY sub;
  ASSERT_EQ(create(key_, "parent\\child", &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  // A key with subkeys is refused, and stays.
  EXPECT_EQ(RegDeleteKeyA(key_, "parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(subkeyNames(key_), std::vector<std::string>{"parent"});
  EXPECT_EQ(RegDeleteKeyA(key_, "parent\\child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(key_, "parent\\child"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(key_, "parent"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(key_, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(subkeyNames(key_).empty());

  // An empty path deletes the handle's own key.
  ASSERT_EQ(create(key_, "self", &sub), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(sub, ""), ERROR_SUCCESS);
  RegCloseKey(sub);
  EXPECT_TRUE(subkeyNames(key_).empty());

  ASSERT_EQ(set(key_, "gone", REG_SZ, bytes("x\0", 2)), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key_, "gone"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key_, "gone"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(query(key_, "gone").status, ERROR_FILE_NOT_FOUND);
}

TEST_F(PLATregistry, AHandleOfADeletedKeyKnowsIt) {
  HKEY doomed, other;
  ASSERT_EQ(create(key_, "doomed", &doomed), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(key_, "doomed", 0, KEY_ALL_ACCESS, &other), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(key_, "doomed"), ERROR_SUCCESS);
  char name[16];
  DWORD length = sizeof name, size = 0;
  HKEY sub = nullptr;
  EXPECT_EQ(set(doomed, "x", REG_SZ, bytes("x\0", 2)), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryValueExA(doomed, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumKeyExA(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumValueA(other, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegOpenKeyExA(doomed, "", 0, KEY_READ, &sub), ERROR_KEY_DELETED);
  EXPECT_EQ(create(doomed, "sub", &sub), ERROR_KEY_DELETED);
  EXPECT_EQ(RegFlushKey(other), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(doomed), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(other), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(other), ERROR_INVALID_HANDLE);
}

TEST_F(PLATregistry, OpeningAndCreatingFollowPathsAndHandles) {
  HKEY key = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
  EXPECT_EQ(RegOpenKeyExA(key_, "missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegOpenKeyExA(key_, "\\missing", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(create(key_, "\\lead", &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(key, nullptr);

  DWORD disposition = 0;
  ASSERT_EQ(create(key_, "a\\b\\c", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  ASSERT_EQ(create(key_, "a\\b\\c", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
  ASSERT_EQ(create(key_, "a\\b\\d\\", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(key_, "a\\b", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(subkeyNames(key), (std::vector<std::string>{"c", "d"}));
  RegCloseKey(key);

  // RegOpenKeyA gives back the same handle for an empty path, RegOpenKeyExA a new one.
  EXPECT_EQ(RegOpenKeyA(key_, "", &key), ERROR_SUCCESS);
  EXPECT_EQ(key, key_);
  ASSERT_EQ(RegOpenKeyExA(key_, "", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_NE(key, key_);
  EXPECT_EQ(subkeyNames(key), std::vector<std::string>{"a"});
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyA(key_, "a\\b\\c", &key), ERROR_SUCCESS);
  EXPECT_EQ(set(key, "written", REG_DWORD, bytes("\1\0\0\0", 4)), ERROR_SUCCESS);
  RegCloseKey(key);

  EXPECT_EQ(RegOpenKeyA(nullptr, "a", &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegFlushKey(key_), ERROR_SUCCESS);
  EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(PLATregistry, AReadHandleRefusesChanges) {
  ASSERT_EQ(set(key_, "kept", REG_SZ, bytes("x\0", 2)), ERROR_SUCCESS);
  HKEY reader = reopened(KEY_READ);
  EXPECT_EQ(set(reader, "new", REG_SZ, bytes("x\0", 2)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(reader, "kept"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(query(reader, "kept").data, bytes("x\0", 2));
  EXPECT_EQ(valueNames(reader), std::vector<std::string>{"kept"});
  RegCloseKey(reader);
  EXPECT_EQ(RegSetValueExA(key_, "null", 0, REG_BINARY, nullptr, 5), ERROR_NOACCESS);
  EXPECT_EQ(RegSetValueExA(key_, "null", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(query(key_, "null").data, "");
}

TEST_F(PLATregistry, SeparateHandlesInThreadsLoseNoChange) {
  const int Threads = 4, Writes = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([this, t] {
      HKEY key;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
      for (int i = 0; i < Writes; ++i) {
        std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
        set(key, name.c_str(), REG_SZ, name + '\0');
        HKEY sub;
        if (create(key, name, &sub) == ERROR_SUCCESS) RegCloseKey(sub);
      }
      RegCloseKey(key);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(valueNames(key_).size(), static_cast<size_t>(Threads * Writes));
  EXPECT_EQ(subkeyNames(key_).size(), static_cast<size_t>(Threads * Writes));
  for (int t = 0; t < Threads; ++t)
    for (int i = 0; i < Writes; ++i) {
      std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
      EXPECT_EQ(query(key_, name.c_str()).data, name + '\0');
    }
}

}  // namespace
