// REGregistry on both builds: natively over our layer's registry (a private store per
// test), in the Windows build against Wine's registry. Each test works below a key of its
// own under HKEY_CURRENT_USER\Software, made and removed by the fixture.
#include "REG/REGregistry.h"

#include "COL/COLerror.h"
#include "tests/support/TESTregistry.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string bytes(const char* text, size_t size) { return std::string(text, size); }

TESTerrorFields registryError(DWORD code) {
  return TESTerrorFields{TESTtext(COLwindowsErrorText(static_cast<int>(code))), static_cast<int>(0x80000500),
                         147, "REGregistry"};
}

struct Raw {
  LONG status;
  DWORD type;
  std::string data;
};

class REGregistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    own_.reset(new TESTregistryKey("REGtests"));
    path_ = own_->path();
    key_ = own_->key();
    ASSERT_NE(key_, nullptr);
  }
  void TearDown() override { own_.reset(); }
  COLstring path() const { return COLstring(path_.c_str()); }
  void makeKey(const char* below) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(key_, below, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void put(const char* name, DWORD type, const std::string& data) {
    std::string guarded = data + 'X';  // Windows keeps a NUL that follows a string's bytes
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, reinterpret_cast<const BYTE*>(guarded.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  Raw raw(const char* name) {
    DWORD type = 0, size = 0;
    LONG status = RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size);
    std::string data(size + 1, '\0');
    if (status == ERROR_SUCCESS)
      status = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    return Raw{status, type, data.substr(0, size)};
  }

  TESTprivateRegistryStore store_;
  std::unique_ptr<TESTregistryKey> own_;
  std::string path_;
  HKEY key_ = nullptr;
};

TEST_F(REGregistryTest, OnlyTheFivePredefinedKeysAreRoots) {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER, HKEY_USERS}) {
    REGregistry registry(root);
    EXPECT_EQ(registry.rootKey(), root);
    EXPECT_TRUE(registry.noFlush());
  }
  const TESTerrorFields expected{
      "Failed precondition: RootKey == HKEY_LOCAL_MACHINE || RootKey == HKEY_CLASSES_ROOT || RootKey == "
      "HKEY_CURRENT_CONFIG || RootKey == HKEY_CURRENT_USER || RootKey == HKEY_USERS",
      static_cast<int>(0x80000100), 72, "REGregistry"};
  for (HKEY other : {HKEY_PERFORMANCE_DATA, static_cast<HKEY>(nullptr), key_})
    EXPECT_EQ(TEST_ERROR_OF(REGregistry registry(other)), expected);
}

TEST_F(REGregistryTest, StringsReadUpToTheirFirstNulAndKeepTheirType) {
  put("Plain", REG_SZ, bytes("plain\0", 6));
  put("Expand", REG_EXPAND_SZ, bytes("%SystemRoot%\\x\0", 15));
  put("Open", REG_SZ, "open");
  put("Inner", REG_SZ, bytes("in\0ner\0", 8));
  put("Number", REG_DWORD, bytes("\x07\0\0\0", 4));
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  struct Case {
    const char* name;
    const char* text;
    int type;  // what the out-parameter holds after the call; it starts at 77
  } cases[] = {
      {"Plain", "plain", REGregistry::REGdefaultString},
      {"Expand", "%SystemRoot%\\x", REGregistry::REGexpandString},
      {"Open", "open", REGregistry::REGdefaultString},
      {"Inner", "in", REGregistry::REGdefaultString},
      {"Number", "default", 77},
      {"Missing", "default", 77},
  };
  for (const Case& c : cases) {
    int type = 77;
    EXPECT_EQ(TESTtext(registry.getString(c.name, "default", &type)), c.text) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(TESTtext(registry.getString(c.name, "default")), c.text) << c.name;
  }
  EXPECT_EQ(TESTtext(registry.getString("Missing")), "");
}

// The same values in WCHARs: found by the name that the ANSI calls find them by, which is
// text of the process's code page (€ is byte 0x80 in code page 1252), and false exactly
// where getString gives the default. A row that this code page cannot hold is skipped;
// the test REGtestsJapanese runs this one under Wine in code page 932.
TEST_F(REGregistryTest, WideStringsAreFoundWhereStringsAre) {
  struct Case {
    const char* name;  // texts in UTF-8
    DWORD type;        // 0: no such value
    std::string data;  // a string's text without its NUL
    bool found;
  };
  const Case cases[] = {
      {"Plain", REG_SZ, "plain", true},
      {u8"Päth", REG_EXPAND_SZ, u8"%SystemRoot%\\Zoë", true},
      {u8"€uro", REG_SZ, "5 EUR", true},
      {u8"渡辺", REG_SZ, u8"C:\\Users\\渡辺", true},
      {u8"Zählung", REG_DWORD, bytes("\x07\0\0\0", 4), false},
      {u8"Fehlt", 0, "", false},
  };
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  for (const Case& c : cases) {
    std::string name, data;
    if (!TESTcodePageText(c.name, name) || !TESTcodePageText(c.data, data)) continue;
    if (c.type == REG_DWORD) put(name.c_str(), c.type, c.data);
    else if (c.type != 0) put(name.c_str(), c.type, data + '\0');
    std::wstring text = L"left over";
    int type = 77;
    EXPECT_EQ(registry.getWideString(name.c_str(), text, &type), c.found) << c.name;
    EXPECT_EQ(TESTutf8OfWide(text), c.found ? c.data : "") << c.name;
    EXPECT_EQ(type, c.found ? static_cast<int>(c.type) : 77) << c.name;
    EXPECT_EQ(TESTtext(registry.getString(name.c_str(), "default")), c.found ? data : "default") << c.name;
  }
}

TEST_F(REGregistryTest, StringsAreWrittenWithTheirNulAndTheCallersType) {
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  EXPECT_EQ(registry.setString("Empty", "", REGregistry::REGdefaultString), 0);
  EXPECT_EQ(registry.setString("Path", "%A%;b", REGregistry::REGexpandString), 0);
  EXPECT_EQ(registry.setString("Text", "text", REGregistry::REGdefaultString), 0);
  Raw empty = raw("Empty"), expand = raw("Path"), text = raw("Text");
  EXPECT_EQ(empty.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(empty.data, bytes("\0", 1));
  EXPECT_EQ(expand.type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(expand.data, bytes("%A%;b\0", 6));
  EXPECT_EQ(text.data, bytes("text\0", 5));
  // The same name in other letters replaces the value.
  EXPECT_EQ(registry.setString("PATH", "c", REGregistry::REGexpandString), 0);
  EXPECT_EQ(TESTtext(registry.getString("path")), "c");
}

TEST_F(REGregistryTest, DwordsAndBooleans) {
  put("Text", REG_SZ, bytes("1\0", 2));
  put("Two", REG_DWORD, bytes("\x02\0\0\0", 4));
  put("Short", REG_DWORD, "\x05");
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  EXPECT_EQ(registry.getDword("Text", 9), 9);
  EXPECT_EQ(registry.getDword("Missing", -3), -3);
  EXPECT_EQ(registry.getDword("Two", 9), 2);
  EXPECT_EQ(registry.getDword("Short", 9), 5);
  EXPECT_FALSE(registry.getBool("Two", true));  // only a stored 1 is true
  EXPECT_TRUE(registry.getBool("Missing", true));
  EXPECT_FALSE(registry.getBool("Text", false));
  EXPECT_EQ(registry.setDword("Negative", -1), 0);
  EXPECT_EQ(registry.getDword("Negative", 0), -1);
  EXPECT_EQ(raw("Negative").data, "\xff\xff\xff\xff");
  EXPECT_EQ(registry.setBool("Flag", true), 0);
  EXPECT_TRUE(registry.getBool("Flag", false));
  EXPECT_EQ(raw("Flag").type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(raw("Flag").data, bytes("\1\0\0\0", 4));
  EXPECT_EQ(registry.setBool("Flag", false), 0);
  EXPECT_EQ(raw("Flag").data, bytes("\0\0\0\0", 4));
}

TEST_F(REGregistryTest, SetKeyOpensRelativeToTheOpenKeyOrFromTheRoot) {
  makeKey("one\\two");
  put("Here", REG_SZ, bytes("top\0", 4));
  REGregistry registry(HKEY_CURRENT_USER);
  EXPECT_EQ(TESTtext(registry.getString("Here", "none")), "none");  // the root itself
  registry.setKey(path());
  EXPECT_EQ(TESTtext(registry.getString("Here")), "top");
  registry.setKey("one");
  EXPECT_TRUE(registry.keyExists("two"));
  registry.setKey("two");
  EXPECT_EQ(registry.setString("Deep", "deep", REGregistry::REGdefaultString), 0);
  // Relative again: there is no such path below "two".
  EXPECT_EQ(TEST_ERROR_OF(registry.setKey(path() + "\\one\\two")), registryError(ERROR_FILE_NOT_FOUND));
  registry.setKey("");  // an empty path is the root key
  EXPECT_EQ(registry.setString("x", "x", REGregistry::REGdefaultString), 0);
  EXPECT_EQ(TESTtext(registry.getString("x")), "x");
  RegDeleteValueA(HKEY_CURRENT_USER, "x");
}

TEST_F(REGregistryTest, SetKeyCreatesOnlyWhenAsked) {
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  EXPECT_FALSE(registry.keyExists("made\\below"));
  EXPECT_EQ(TEST_ERROR_OF(registry.setKey("made\\below")), registryError(ERROR_FILE_NOT_FOUND));
  registry.setKey("made\\below", true);
  EXPECT_EQ(registry.setString("v", "v", REGregistry::REGdefaultString), 0);
  REGregistry other(HKEY_CURRENT_USER);
  other.setKey(path() + "\\made\\below");
  EXPECT_EQ(TESTtext(other.getString("v")), "v");
  // A leading backslash is taken from the root and handed on as it is, which the
  // system refuses.
  EXPECT_EQ(TEST_ERROR_OF(other.setKey("\\" + path())), registryError(ERROR_BAD_PATHNAME));
}

TEST_F(REGregistryTest, AFailedSetKeyKeepsTheKeyThatWasOpen) {
  put("Kept", REG_SZ, bytes("still here\0", 11));
  put("Second", REG_SZ, bytes("2\0", 2));
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  COLstring name;
  ASSERT_TRUE(registry.nextValueName(name));
  EXPECT_EQ(TEST_ERROR_OF(registry.setKey("missing")), registryError(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(TESTtext(registry.getString("Kept")), "still here");
  EXPECT_EQ(registry.setString("After", "a", REGregistry::REGdefaultString), 0);
  EXPECT_EQ(raw("After").data, bytes("a\0", 2));
  EXPECT_TRUE(registry.nextValueName(name));  // the enumeration goes on, on the same key
  EXPECT_EQ(TEST_ERROR_OF(registry.setKey("also\\missing", false, KEY_WOW64_64KEY)),
            registryError(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(registry.keyExists(""));
}

TEST_F(REGregistryTest, FailuresCarryTheSystemsText) {
  makeKey("parent\\child");
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  EXPECT_EQ(TEST_ERROR_OF(registry.deleteValue("missing")), registryError(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(TEST_ERROR_OF(registry.deleteKey("parent")), registryError(ERROR_ACCESS_DENIED));
  EXPECT_EQ(TEST_ERROR_OF(registry.deleteKey("none")), registryError(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(registry.deleteKey("parent\\child"), 0);
  EXPECT_EQ(registry.deleteKey("parent"), 0);
  EXPECT_FALSE(registry.keyExists("parent"));
  registry.setString("v", "v", REGregistry::REGdefaultString);
  EXPECT_EQ(registry.deleteValue("V"), 0);
  EXPECT_EQ(TESTtext(registry.getString("v", "gone")), "gone");
  // The object stays usable after a failure.
  EXPECT_EQ(registry.setDword("d", 4), 0);
}

TEST_F(REGregistryTest, AKeyWithoutWriteRightsIsOpenedForReading) {
  if (TESTwindowsBuild) GTEST_SKIP() << "under Wine every key may be written; our layer's hive file can be read-only";
  const char* const Environment = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
  {
    REGregistry registry(HKEY_LOCAL_MACHINE);
    registry.setKey(Environment);  // first use makes the machine's hive
  }
  namespace fs = std::filesystem;
  std::string hive = store_.directory() + "/HKEY_LOCAL_MACHINE.reg";
  fs::permissions(hive, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  REGregistry registry(HKEY_LOCAL_MACHINE);
  registry.setKey(Environment);
  int type = 0;
  EXPECT_EQ(TESTtext(registry.getString("PATH", "", &type)),
            "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem");
  EXPECT_EQ(type, REGregistry::REGexpandString);
  EXPECT_EQ(TEST_ERROR_OF(registry.setString("PATH", "x", type)), registryError(ERROR_ACCESS_DENIED));
  EXPECT_EQ(TEST_ERROR_OF(registry.setDword("n", 1)), registryError(ERROR_ACCESS_DENIED));
  REGregistry machine(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(TEST_ERROR_OF(machine.keyExists("SOFTWARE")), registryError(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(machine.keyExists("NoSuchKey"));
}

TEST_F(REGregistryTest, DeleteKeyTreeRemovesEverythingBelowDepthFirst) {
  makeKey("tree\\a\\deep\\deeper");
  makeKey("tree\\a\\side");
  makeKey("tree\\b");
  makeKey("other");
  REGregistry registry(HKEY_CURRENT_USER);
  EXPECT_EQ(TEST_ERROR_OF(registry.deleteKeyTree(path())), registryError(ERROR_INVALID_HANDLE));
  registry.setKey(path());
  registry.deleteKeyTree("tree");
  EXPECT_FALSE(registry.keyExists("tree"));
  EXPECT_TRUE(registry.keyExists("other"));
  // A top-level call steps the index back below 0: the enumeration is over until reset.
  COLstring name;
  EXPECT_FALSE(registry.nextSubKeyName(name));
  registry.resetEnumeration();
  ASSERT_TRUE(registry.nextSubKeyName(name));
  EXPECT_EQ(TESTtext(name), "other");
  EXPECT_EQ(TEST_ERROR_OF(registry.deleteKeyTree("missing")), registryError(ERROR_FILE_NOT_FOUND));

  // An empty path deletes the open key itself, whose handle stays the object's: it
  // now names a deleted key rather than a closed handle.
  registry.setKey("other");
  registry.deleteKeyTree("");
  EXPECT_EQ(TEST_ERROR_OF(registry.setDword("d", 1)), registryError(ERROR_KEY_DELETED));
  REGregistry check(HKEY_CURRENT_USER);
  check.setKey(path());
  EXPECT_FALSE(check.keyExists("other"));
}

// For its lifetime, the user's hive file of the private store has no write bit, so our
// layer opens its keys for reading only.
class ReadOnlyHive {
public:
  explicit ReadOnlyHive(const std::string& hive) : m_Hive(hive) {
    std::filesystem::permissions(m_Hive, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                             std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
  }
  ~ReadOnlyHive() {
    std::filesystem::permissions(m_Hive, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  }

private:
  std::string m_Hive;
};

TEST_F(REGregistryTest, AFailedTreeDeletionOfTheOpenKeyKeepsItsHandle) {
  // With an empty path the deletion works on the object's own handle, which a temporary
  // object borrows; a failure on the way must leave that handle open. A closed one would
  // answer the invalid-handle error (or, reused, name another key).
  struct Case {
    const char* why;
    bool readOnlyHive;  // our layer only: under Wine every key may be written
    DWORD raised;       // the failure of deleteKeyTree("")
    DWORD after;        // what a write on the kept handle answers then
  };
  const Case cases[] = {
      {"the key deleted through another handle", false, ERROR_KEY_DELETED, ERROR_KEY_DELETED},
      {"a subkey that the read-only key cannot delete", true, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    if (c.readOnlyHive && TESTwindowsBuild) continue;
    makeKey("open\\child");
    HKEY open = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key_, "open", 0, KEY_ALL_ACCESS, &open), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(open, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("kept"), 5), ERROR_SUCCESS);
    RegCloseKey(open);
    std::unique_ptr<ReadOnlyHive> readOnly;
    if (c.readOnlyHive) readOnly.reset(new ReadOnlyHive(store_.directory() + "/HKEY_CURRENT_USER.reg"));

    REGregistry registry(HKEY_CURRENT_USER);
    registry.setKey(path());
    registry.setKey("open");
    if (!c.readOnlyHive) {
      ASSERT_EQ(RegDeleteKeyA(key_, "open\\child"), ERROR_SUCCESS);
      ASSERT_EQ(RegDeleteKeyA(key_, "open"), ERROR_SUCCESS);
    }
    EXPECT_EQ(TEST_ERROR_OF(registry.deleteKeyTree("")), registryError(c.raised)) << c.why;
    EXPECT_EQ(TEST_ERROR_OF(registry.setDword("d", 1)), registryError(c.after)) << c.why;
    if (c.readOnlyHive) {
      EXPECT_EQ(TESTtext(registry.getString("v", "closed")), "kept") << c.why;
    }
  }
}

TEST_F(REGregistryTest, DeletingEachSubkeyAsItIsEnumeratedDeletesThemAll) {
  for (const char* name : {"k1\\x", "k2", "k3\\y\\z", "k4"}) makeKey(name);
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  COLstring name;
  std::vector<std::string> seen;
  while (registry.nextSubKeyName(name)) {
    seen.push_back(TESTtext(name));
    registry.deleteKeyTree(name);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"k1", "k2", "k3", "k4"}));
  registry.resetEnumeration();
  EXPECT_FALSE(registry.nextSubKeyName(name));
}

TEST_F(REGregistryTest, EnumerationSkipsWhatIsNoString) {
  put("a", REG_SZ, bytes("one\0", 4));
  put("b", REG_DWORD, bytes("\1\0\0\0", 4));
  put("c", REG_EXPAND_SZ, bytes("%T%\0", 4));
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  COLstring name, value;
  int type = 0;
  ASSERT_TRUE(registry.nextStringValue(name, value, &type));
  EXPECT_EQ(TESTtext(name), "a");
  EXPECT_EQ(TESTtext(value), "one");
  EXPECT_EQ(type, REGregistry::REGdefaultString);
  ASSERT_TRUE(registry.nextStringValue(name, value, &type));
  EXPECT_EQ(TESTtext(name), "c");
  EXPECT_EQ(TESTtext(value), "%T%");
  EXPECT_EQ(type, REGregistry::REGexpandString);
  EXPECT_FALSE(registry.nextStringValue(name, value, nullptr));

  registry.resetEnumeration();
  std::vector<std::string> names;
  while (registry.nextValueName(name)) names.push_back(TESTtext(name));
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(REGregistryTest, ANameTooLongForTheBufferRaisesAndIsSkipped) {
  std::string fits(1023, 'a'), tooLong(1024, 'b');
  put(fits.c_str(), REG_SZ, bytes("1\0", 2));
  put(tooLong.c_str(), REG_SZ, bytes("2\0", 2));
  put("c", REG_SZ, bytes("3\0", 2));
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  COLstring name;
  ASSERT_TRUE(registry.nextValueName(name));
  EXPECT_EQ(TESTtext(name), fits);
  EXPECT_EQ(TEST_ERROR_OF(registry.nextValueName(name)), registryError(ERROR_MORE_DATA));
  ASSERT_TRUE(registry.nextValueName(name));
  EXPECT_EQ(TESTtext(name), "c");
  EXPECT_FALSE(registry.nextValueName(name));
}

TEST_F(REGregistryTest, SetKeyLeavesTheEnumerationIndexAlone) {
  makeKey("first\\x1");
  makeKey("second\\y1");
  makeKey("second\\y2");
  makeKey("second\\y3");
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setKey(path());
  COLstring name;
  ASSERT_TRUE(registry.nextSubKeyName(name));
  ASSERT_TRUE(registry.nextSubKeyName(name));
  EXPECT_EQ(TESTtext(name), "second");
  registry.setKey(name);  // below the open key, at the index it had reached
  ASSERT_TRUE(registry.nextSubKeyName(name));
  EXPECT_EQ(TESTtext(name), "y3");
  EXPECT_FALSE(registry.nextSubKeyName(name));
  registry.resetEnumeration();
  ASSERT_TRUE(registry.nextSubKeyName(name));
  EXPECT_EQ(TESTtext(name), "y1");
}

TEST_F(REGregistryTest, FlushingClosesWithoutThrowingFromTheDestructor) {
  makeKey("flushed");
  makeKey("doomed");
  {
    REGregistry registry(HKEY_CURRENT_USER);
    registry.setNoFlush(false);
    EXPECT_FALSE(registry.noFlush());
    registry.setKey(path());
    EXPECT_TRUE(registry.keyExists("flushed"));
    registry.setKey("doomed");
    EXPECT_EQ(registry.setString("v", "v", REGregistry::REGdefaultString), 0);
    ASSERT_EQ(RegDeleteKeyA(key_, "doomed"), ERROR_SUCCESS);
    // The destructor's flush of the deleted key fails; the failure is dropped.
  }
  REGregistry registry(HKEY_CURRENT_USER);
  registry.setNoFlush(false);
  registry.setKey(path());
  registry.setKey("flushed");
  ASSERT_EQ(RegDeleteKeyA(key_, "flushed"), ERROR_SUCCESS);
  // Closing the old key on the way to the next fails with it, once the new key is open.
  EXPECT_EQ(TEST_ERROR_OF(registry.setKey("")), registryError(ERROR_KEY_DELETED));
  EXPECT_TRUE(registry.keyExists(path()));
}

}  // namespace
