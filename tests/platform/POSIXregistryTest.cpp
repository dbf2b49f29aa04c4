// Our layer's registry store: where its hive files are, what a fresh one holds, their text
// form, and how a damaged, read-only or changed hive file is treated. Only the native
// build has this store, so the Windows build skips these tests.
#include "platform/PLATwindows.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

#define SKIP_ON_WINDOWS() \
  if (TESTwindowsBuild) GTEST_SKIP() << "the store files are our layer's; Windows keeps its own registry"

std::string bytes(const char* text, size_t size) { return std::string(text, size); }
std::string terminated(const char* text) { return std::string(text, strlen(text) + 1); }

struct Stored {
  LONG status;
  DWORD type;
  std::string data;
};

Stored query(HKEY root, const char* path, const char* name) {
  HKEY key;
  LONG status = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return Stored{status, 0, ""};
  DWORD type = 0, size = 0;
  status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  std::string data(size, '\0');
  if (status == ERROR_SUCCESS)
    status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
  RegCloseKey(key);
  return Stored{status, type, data.substr(0, size)};
}

LONG setText(HKEY key, const char* name, DWORD type, const std::string& data) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()));
}

const char* const MachineEnvironment = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

class POSIXregistry : public ::testing::Test {
protected:
  std::string hive(const char* root) const { return store_.directory() + "/" + root + ".reg"; }
  TESTprivateRegistryStore store_;
};

// Restores a variable of the environment when the test is done with it.
class SavedVariable {
public:
  explicit SavedVariable(const char* name) : name_(name) {
    const char* value = getenv(name);
    had_ = value != nullptr;
    if (had_) value_ = value;
  }
  ~SavedVariable() { TESTsetEnvironment(name_, had_ ? value_.c_str() : nullptr); }

private:
  std::string name_, value_;
  bool had_;
};

struct DirectoryCase {
  const char* why;
  const char* chosen;  // PLAT_REGISTRY_DIR below the temporary directory, or null
  const char* data;    // XDG_DATA_HOME (below it when it starts with "/"), or null
  const char* hive;    // where the user's hive file is expected, below it
};

TEST_F(POSIXregistry, TheStoreDirectoryComesFromTheEnvironment) {
  SKIP_ON_WINDOWS();
  SavedVariable chosen("PLAT_REGISTRY_DIR"), data("XDG_DATA_HOME"), home("HOME");
  const DirectoryCase cases[] = {
      {"PLAT_REGISTRY_DIR comes first", "/chosen", "/xdg", "/chosen/HKEY_CURRENT_USER.reg"},
      {"then the data home", nullptr, "/xdg", "/xdg/olvenmark-registry/HKEY_CURRENT_USER.reg"},
      {"a relative data home is not one", nullptr, "relative",
       "/home/.local/share/olvenmark-registry/HKEY_CURRENT_USER.reg"},
      {"then the home directory", nullptr, nullptr, "/home/.local/share/olvenmark-registry/HKEY_CURRENT_USER.reg"},
  };
  for (const DirectoryCase& c : cases) {
    TESTtemporaryDirectory top;
    TESTsetEnvironment("PLAT_REGISTRY_DIR", c.chosen ? (top.path() + c.chosen).c_str() : nullptr);
    std::string dataHome = c.data == nullptr ? "" : c.data[0] == '/' ? top.path() + c.data : c.data;
    TESTsetEnvironment("XDG_DATA_HOME", c.data ? dataHome.c_str() : nullptr);
    TESTsetEnvironment("HOME", (top.path() + "/home").c_str());
    EXPECT_EQ(query(HKEY_CURRENT_USER, "Environment", "Path").status, ERROR_SUCCESS) << c.why;
    EXPECT_TRUE(fs::is_regular_file(top.path() + c.hive)) << c.why;
  }
}

struct FreshCase {
  HKEY root;
  const char* path;
  const char* name;
  std::string data;
};

TEST_F(POSIXregistry, FirstUseGivesWhatAFreshInstallationHas) {
  SKIP_ON_WINDOWS();
  const FreshCase cases[] = {
      {HKEY_LOCAL_MACHINE, MachineEnvironment, "Path",
       terminated("%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem")},
      {HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\control\\session manager\\environment", "PATH",
       terminated("%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem")},
      {HKEY_CURRENT_USER, "Environment", "Path", terminated("%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps")},
      {HKEY_CURRENT_USER, "ENVIRONMENT", "path", terminated("%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps")},
  };
  for (const FreshCase& c : cases) {
    Stored got = query(c.root, c.path, c.name);
    EXPECT_EQ(got.status, ERROR_SUCCESS) << c.path;
    EXPECT_EQ(got.type, static_cast<DWORD>(REG_EXPAND_SZ)) << c.path;
    EXPECT_EQ(got.data, c.data) << c.path;
  }
  HKEY key;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_USERS, HKEY_CURRENT_CONFIG}) {
    char name[256];
    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(root, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  }
  for (const char* file : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "HKEY_USERS",
                           "HKEY_CURRENT_CONFIG"})
    EXPECT_TRUE(fs::is_regular_file(hive(file))) << file;
  EXPECT_EQ(RegOpenKeyExA(HKEY_PERFORMANCE_DATA, "x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
}

TEST_F(POSIXregistry, AHiveFileIsTextInTheExportForm) {
  SKIP_ON_WINDOWS();
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  setText(key, "Name", REG_SZ, bytes("C:\\dir \"q\"\0", 11));
  setText(key, "Count", REG_DWORD, bytes("\x2a\0\0\0", 4));
  setText(key, "Path", REG_EXPAND_SZ, bytes("%A%;b\0", 6));
  setText(key, "Blob", REG_BINARY, "\x01\x02\xff");
  setText(key, "Odd", REG_SZ, "abc");
  setText(key, "Multi", REG_MULTI_SZ, bytes("a\0\0", 3));
  setText(key, "Line\nbreak", REG_SZ, bytes("tab\there\0", 9));
  setText(key, "", REG_QWORD, bytes("\1\0\0\0\0\0\0\0", 8));
  HKEY sub;
  ASSERT_EQ(RegCreateKeyExA(key, "Empty", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_SUCCESS);
  RegCloseKey(sub);
  RegCloseKey(key);

  std::string text = TESTfileText(hive("HKEY_CURRENT_USER"));
  EXPECT_EQ(text.substr(0, 9), "REGEDIT4\n");
  const std::string section =
      "\n[HKEY_CURRENT_USER\\Software\\Test]\n"
      "\"Name\"=\"C:\\\\dir \\\"q\\\"\"\n"
      "\"Count\"=dword:0000002a\n"
      "; \"Path\" reads %A%;b\n"
      "\"Path\"=hex(2):25,41,25,3b,62,00\n"
      "\"Blob\"=hex:01,02,ff\n"
      "\"Odd\"=hex(1):61,62,63\n"
      "\"Multi\"=hex(7):61,00,00\n"
      "\"Line\\x0abreak\"=\"tab\\x09here\"\n"
      "@=hex(b):01,00,00,00,00,00,00,00\n"
      "\n[HKEY_CURRENT_USER\\Software\\Test\\Empty]\n";
  EXPECT_NE(text.find(section), std::string::npos) << text;
  // Nothing is left beside the hive files and their locks.
  for (const auto& entry : fs::directory_iterator(store_.directory())) {
    std::string extension = entry.path().extension().string();
    EXPECT_TRUE(extension == ".reg" || extension == ".lock") << entry.path();
  }
}

TEST_F(POSIXregistry, LongHexValuesGoOnContinuationLines) {
  SKIP_ON_WINDOWS();
  std::string data;
  for (int i = 0; i < 300; ++i) data += static_cast<char>(i);
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "Long", REG_BINARY, data), ERROR_SUCCESS);
  std::string text = TESTfileText(hive("HKEY_CURRENT_USER"));
  size_t start = text.find("\"Long\"=hex:"), lines = 0;
  ASSERT_NE(start, std::string::npos);
  for (size_t end = text.find('\n', start); end != std::string::npos; end = text.find('\n', start)) {
    std::string line = text.substr(start, end - start);
    EXPECT_LE(line.size(), 80u) << line;
    ++lines;
    start = end + 1;
    if (line.back() != '\\') break;
  }
  EXPECT_GT(lines, 10u);
  EXPECT_EQ(query(HKEY_CURRENT_USER, "", "Long").data, data);
}

TEST_F(POSIXregistry, AHiveThatAPersonWroteIsRead) {
  SKIP_ON_WINDOWS();
  TESTwriteFile(hive("HKEY_CURRENT_USER"),
                "REGEDIT4\r\n"
                "; edited by hand\r\n"
                "\r\n"
                "[HKEY_CURRENT_USER\\Deep\\Below\\Here]\r\n"
                "\"Text\"=\"it's \\\"here\\\"\"\r\n"
                "\"Split\"=hex:01,02,\\\r\n"
                "    0A,Ff\r\n"
                "\"Number\"=dword:DEADBEEF\r\n"
                "\"Typed\"=hex(12345):\r\n"
                "[hkey_current_user\\Deep]\r\n"
                "@=\"default\"\r\n");
  EXPECT_EQ(query(HKEY_CURRENT_USER, "Deep\\Below\\Here", "Text").data, bytes("it's \"here\"\0", 12));
  EXPECT_EQ(query(HKEY_CURRENT_USER, "Deep\\Below\\Here", "Split").data, "\x01\x02\x0a\xff");
  EXPECT_EQ(query(HKEY_CURRENT_USER, "Deep\\Below\\Here", "Number").data, "\xef\xbe\xad\xde");
  Stored typed = query(HKEY_CURRENT_USER, "Deep\\Below\\Here", "Typed");
  EXPECT_EQ(typed.type, 0x12345u);
  EXPECT_EQ(typed.data, "");
  EXPECT_EQ(query(HKEY_CURRENT_USER, "Deep", "").data, bytes("default\0", 8));
  EXPECT_EQ(query(HKEY_CURRENT_USER, "Deep\\Below", "").status, ERROR_FILE_NOT_FOUND);
}

struct DamageCase {
  const char* why;
  const char* text;
};

TEST_F(POSIXregistry, ADamagedHiveIsReportedAndNeverReplaced) {
  SKIP_ON_WINDOWS();
  const DamageCase cases[] = {
      {"no signature", "[HKEY_CURRENT_USER]\n"},
      {"an empty file", ""},
      {"a value before any key", "REGEDIT4\n\"a\"=\"b\"\n"},
      {"another hive's key", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n"},
      {"a key twice", "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n[HKEY_CURRENT_USER\\X]\n"},
      {"a value twice", "REGEDIT4\n[HKEY_CURRENT_USER]\n\"a\"=\"1\"\n\"A\"=\"2\"\n"},
      {"an empty key name", "REGEDIT4\n[HKEY_CURRENT_USER\\\\x]\n"},
      {"an unclosed section", "REGEDIT4\n[HKEY_CURRENT_USER\n"},
      {"an unterminated text", "REGEDIT4\n[HKEY_CURRENT_USER]\n\"a\"=\"b\n"},
      {"an unknown escape", "REGEDIT4\n[HKEY_CURRENT_USER]\n\"a\"=\"\\q\"\n"},
      {"a bad hex byte", "REGEDIT4\n[HKEY_CURRENT_USER]\n\"a\"=hex:0g\n"},
      {"a short dword", "REGEDIT4\n[HKEY_CURRENT_USER]\n\"a\"=dword:2a\n"},
      {"a continuation at the end", "REGEDIT4\n[HKEY_CURRENT_USER]\n\"a\"=hex:01,\\\n"},
      {"a deletion line", "REGEDIT4\n[HKEY_CURRENT_USER]\n\"a\"=-\n"},
      {"a stray line", "REGEDIT4\n[HKEY_CURRENT_USER]\ngarbage\n"},
  };
  for (const DamageCase& c : cases) {
    TESTwriteFile(hive("HKEY_CURRENT_USER"), c.text);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Environment", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT) << c.why;
    EXPECT_EQ(setText(HKEY_CURRENT_USER, "x", REG_SZ, bytes("x\0", 2)), ERROR_REGISTRY_CORRUPT) << c.why;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_REGISTRY_CORRUPT)
        << c.why;
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "x"), ERROR_REGISTRY_CORRUPT) << c.why;
    EXPECT_EQ(TESTfileText(hive("HKEY_CURRENT_USER")), c.text) << c.why;
  }
  // The other hives go on working.
  EXPECT_EQ(query(HKEY_LOCAL_MACHINE, MachineEnvironment, "Path").status, ERROR_SUCCESS);
}

struct ModeCase {
  const char* why;
  fs::perms mode;
  LONG writeAccess;  // opening with KEY_ALL_ACCESS, and changing
  LONG readAccess;   // opening with KEY_READ
};

TEST_F(POSIXregistry, TheHiveFilesPermissionBitsDecideTheAccess) {
  SKIP_ON_WINDOWS();
  using p = fs::perms;
  const ModeCase cases[] = {
      {"owner may read and write", p::owner_read | p::owner_write | p::group_read | p::others_read, ERROR_SUCCESS,
       ERROR_SUCCESS},
      {"read-only for everyone, root included", p::owner_read | p::group_read | p::others_read,
       ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {"the owner's bits apply to the owner, not the group's",
       p::owner_read | p::group_read | p::group_write | p::others_read, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {"no read bit for the owner", p::owner_write | p::group_read | p::others_read, ERROR_ACCESS_DENIED,
       ERROR_ACCESS_DENIED},
  };
  std::string file = hive("HKEY_LOCAL_MACHINE");
  ASSERT_EQ(query(HKEY_LOCAL_MACHINE, MachineEnvironment, "Path").status, ERROR_SUCCESS);
  for (const ModeCase& c : cases) {
    fs::permissions(file, p::owner_read | p::owner_write);
    std::string before = TESTfileText(file);
    fs::permissions(file, c.mode);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, MachineEnvironment, 0, KEY_ALL_ACCESS, &key), c.writeAccess) << c.why;
    RegCloseKey(key);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              c.writeAccess)
        << c.why;
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, MachineEnvironment, 0, KEY_READ, &key), c.readAccess) << c.why;
    if (c.readAccess == ERROR_SUCCESS) {
      DWORD size = 0;
      EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS) << c.why;
      EXPECT_EQ(setText(key, "Path", REG_SZ, bytes("x\0", 2)), ERROR_ACCESS_DENIED) << c.why;
      RegCloseKey(key);
    }
    if (c.writeAccess != ERROR_SUCCESS) {
      // A handle with every right does not get past the file's bits either.
      EXPECT_EQ(setText(HKEY_LOCAL_MACHINE, "x", REG_SZ, bytes("x\0", 2)), ERROR_ACCESS_DENIED) << c.why;
      EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                ERROR_ACCESS_DENIED)
          << c.why;
      EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_ACCESS_DENIED) << c.why;
      fs::permissions(file, p::owner_read | p::owner_write);
      EXPECT_EQ(TESTfileText(file), before) << c.why;
    }
  }
  // Opening with as much as is allowed gives a read handle on a read-only hive.
  fs::permissions(file, p::owner_read | p::group_read);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, MachineEnvironment, &key), ERROR_SUCCESS);
  EXPECT_EQ(setText(key, "Path", REG_SZ, bytes("x\0", 2)), ERROR_ACCESS_DENIED);
  RegCloseKey(key);
  // A rewritten hive keeps the bits it had.
  fs::permissions(file, p::owner_read | p::owner_write | p::group_read);
  ASSERT_EQ(setText(HKEY_LOCAL_MACHINE, "x", REG_SZ, bytes("x\0", 2)), ERROR_SUCCESS);
  EXPECT_EQ(fs::status(file).permissions(), p::owner_read | p::owner_write | p::group_read);
}

TEST_F(POSIXregistry, EveryCallSeesTheFileAsItIsNow) {
  SKIP_ON_WINDOWS();
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  // Another process rewrites the hive: the open handle sees its change on the next call.
  TESTwriteFile(hive("HKEY_CURRENT_USER"), "REGEDIT4\n[HKEY_CURRENT_USER\\shared]\n\"From\"=\"elsewhere\"\n");
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "From", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 10u);
  // ... and its deletion of the key.
  TESTwriteFile(hive("HKEY_CURRENT_USER"), "REGEDIT4\n[HKEY_CURRENT_USER]\n");
  EXPECT_EQ(RegQueryValueExA(key, "From", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(POSIXregistry, NamesTheStoreCannotHoldAreRefused) {
  SKIP_ON_WINDOWS();
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "line\nbreak", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, std::string(256, 'k').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "v", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_NOT_SUPPORTED);
  EXPECT_EQ(key, nullptr);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, std::string(255, 'k').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

// A key path of that many one-letter names.
std::string chain(size_t levels) {
  std::string path;
  for (size_t i = 0; i < levels; ++i) path += i == 0 ? "k" : "\\k";
  return path;
}

struct DepthCase {
  const char* why;
  size_t below;  // the level of the key the creation starts from
  size_t added;  // how many levels it creates
  LONG status;
};

TEST_F(POSIXregistry, KeysLieAtMost512LevelsDeep) {
  SKIP_ON_WINDOWS();
  const DepthCase cases[] = {
      {"512 levels at once", 0, 512, ERROR_SUCCESS},
      {"513 levels at once", 0, 513, ERROR_INVALID_PARAMETER},
      {"one more below the deepest key", 512, 1, ERROR_INVALID_PARAMETER},
      {"the rest of the way from level 500", 500, 12, ERROR_SUCCESS},
      {"one too many from level 500", 500, 13, ERROR_INVALID_PARAMETER},
  };
  for (const DepthCase& c : cases) {
    HKEY base = HKEY_CURRENT_USER;
    if (c.below > 0) {
      ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, chain(c.below).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &base, nullptr),
                ERROR_SUCCESS)
          << c.why;
    }
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(base, chain(c.added).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              c.status)
        << c.why;
    RegCloseKey(key);
    if (base != HKEY_CURRENT_USER) RegCloseKey(base);
  }
  // The whole chain is one section: its path is written once, not once per level.
  std::string text = TESTfileText(hive("HKEY_CURRENT_USER"));
  EXPECT_LT(text.size(), 4096u);
  Stored fresh = query(HKEY_CURRENT_USER, "Environment", "Path");
  EXPECT_EQ(fresh.status, ERROR_SUCCESS);
  HKEY deepest = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, chain(512).c_str(), 0, KEY_READ, &deepest), ERROR_SUCCESS);
  RegCloseKey(deepest);
}

struct DeepFileCase {
  size_t levels;
  LONG status;
};

TEST_F(POSIXregistry, AHiveFileDeeperThanTheLimitIsDamaged) {
  SKIP_ON_WINDOWS();
  // 300,000 levels once overflowed the stack of every reader.
  const DeepFileCase cases[] = {{512, ERROR_SUCCESS}, {513, ERROR_REGISTRY_CORRUPT}, {300000, ERROR_REGISTRY_CORRUPT}};
  for (const DeepFileCase& c : cases) {
    std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\" + chain(c.levels) + "]\n\"v\"=\"deep\"\n";
    TESTwriteFile(hive("HKEY_CURRENT_USER"), text);
    EXPECT_EQ(query(HKEY_CURRENT_USER, chain(c.levels).c_str(), "v").status, c.status) << c.levels;
    EXPECT_EQ(setText(HKEY_CURRENT_USER, "x", REG_SZ, bytes("x\0", 2)), c.status) << c.levels;
    if (c.status != ERROR_SUCCESS) {
      EXPECT_EQ(TESTfileText(hive("HKEY_CURRENT_USER")), text) << c.levels;
    }
  }
}

struct NotAFileCase {
  const char* why;
  std::function<void(const std::string& hive)> make;
};

TEST_F(POSIXregistry, AHiveThatIsNoRegularFileFailsAtOnce) {
  SKIP_ON_WINDOWS();
  const NotAFileCase cases[] = {
      {"a FIFO without a writer",
       [](const std::string& file) { ASSERT_EQ(TESTcaptureProgram("/usr/bin/mkfifo", {"mkfifo", file}).exitCode, 0); }},
      {"a link to a device", [](const std::string& file) { fs::create_symlink("/dev/zero", file); }},
      {"a directory", [](const std::string& file) { fs::create_directory(file); }},
  };
  for (const NotAFileCase& c : cases) {
    std::string file = hive("HKEY_CURRENT_USER");
    fs::remove_all(file);
    c.make(file);
    fs::file_status before = fs::symlink_status(file);
    auto attempt = std::async(std::launch::async, [] {
      return std::make_pair(query(HKEY_CURRENT_USER, "Environment", "Path").status,
                            setText(HKEY_CURRENT_USER, "x", REG_SZ, bytes("x\0", 2)));
    });
    if (attempt.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << c.why << ": still waiting after 10 seconds";
      std::ofstream writer(file);  // lets a reader waiting on the FIFO go on
    }
    auto statuses = attempt.get();
    EXPECT_EQ(statuses.first, ERROR_REGISTRY_CORRUPT) << c.why;
    EXPECT_EQ(statuses.second, ERROR_REGISTRY_CORRUPT) << c.why;
    EXPECT_EQ(fs::symlink_status(file).type(), before.type()) << c.why << ": replaced";
  }
}

// The id of a process that has ended: a shell that only tells its own.
std::string endedProcess() {
  TESTprogramRun shell = TESTcaptureProgram("/bin/sh", {"sh", "-c", "echo $$"});
  return shell.out.substr(0, shell.out.find('\n'));
}

struct LeftoverCase {
  std::string name;
  bool removed;
};

TEST_F(POSIXregistry, TemporaryFilesOfWritersThatEndedAreRemovedByTheNextChange) {
  SKIP_ON_WINDOWS();
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "first", REG_SZ, bytes("1\0", 2)), ERROR_SUCCESS);
  std::string ended = endedProcess();
  ASSERT_FALSE(ended.empty());
  const LeftoverCase cases[] = {
      {"HKEY_CURRENT_USER.reg." + ended + ".0.new", true},
      {"HKEY_CURRENT_USER.reg." + ended + ".17.new", true},
      {"HKEY_CURRENT_USER.reg.1.0.new", false},  // its writer still runs
      {"HKEY_LOCAL_MACHINE.reg." + ended + ".0.new", false},  // another hive's, for its own next change
      {"HKEY_CURRENT_USER.reg." + ended + ".new", false},
      {"HKEY_CURRENT_USER.reg." + ended + ".0.new.kept", false},
      {"HKEY_CURRENT_USER.reg.x" + ended + ".0.new", false},
  };
  for (const LeftoverCase& c : cases) TESTwriteFile(store_.directory() + "/" + c.name, "REGEDIT4\n");
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "second", REG_SZ, bytes("2\0", 2)), ERROR_SUCCESS);
  for (const LeftoverCase& c : cases) EXPECT_EQ(!fs::exists(store_.directory() + "/" + c.name), c.removed) << c.name;
  EXPECT_EQ(query(HKEY_CURRENT_USER, "", "first").status, ERROR_SUCCESS);
}

struct LinkCase {
  const char* why;
  const char* link;      // what the hive file's link says
  const char* endsAt;    // the file it leads to, below the test's directory
  bool targetExists;
};

TEST_F(POSIXregistry, AChangeToALinkedHiveGoesToTheLinksTarget) {
  SKIP_ON_WINDOWS();
  const LinkCase cases[] = {
      {"an absolute link", "<top>/elsewhere/user.reg", "elsewhere/user.reg", true},
      {"a relative link", "../elsewhere/user.reg", "elsewhere/user.reg", true},
      {"a link to a link", "<top>/elsewhere/second", "elsewhere/user.reg", true},
      {"a link to a file not yet made", "<top>/elsewhere/later.reg", "elsewhere/later.reg", false},
  };
  // Each case has a store of its own; the fixture's is put back when the test ends.
  for (const LinkCase& c : cases) {
    TESTtemporaryDirectory top;
    fs::create_directories(top.path() + "/store");
    fs::create_directories(top.path() + "/elsewhere");
    TESTsetEnvironment("PLAT_REGISTRY_DIR", (top.path() + "/store").c_str());
    std::string target = top.path() + "/" + c.endsAt;
    if (c.targetExists) TESTwriteFile(target, "REGEDIT4\n[HKEY_CURRENT_USER\\Before]\n");
    fs::create_symlink("user.reg", top.path() + "/elsewhere/second");
    std::string link = c.link;
    if (link.compare(0, 5, "<top>") == 0) link = top.path() + link.substr(5);
    std::string file = top.path() + "/store/HKEY_CURRENT_USER.reg";
    fs::create_symlink(link, file);

    EXPECT_EQ(setText(HKEY_CURRENT_USER, "After", REG_SZ, bytes("yes\0", 4)), ERROR_SUCCESS) << c.why;
    EXPECT_TRUE(fs::is_symlink(file)) << c.why;
    EXPECT_EQ(fs::read_symlink(file).string(), link) << c.why;
    EXPECT_NE(TESTfileText(target).find("\"After\"=\"yes\""), std::string::npos) << c.why << TESTfileText(target);
    HKEY before = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Before", 0, KEY_READ, &before),
              c.targetExists ? LONG(ERROR_SUCCESS) : LONG(ERROR_FILE_NOT_FOUND))
        << c.why;
    RegCloseKey(before);
    for (const auto& entry : fs::directory_iterator(top.path() + "/elsewhere"))
      EXPECT_EQ(entry.path().extension(), entry.path().filename() == "second" ? "" : ".reg") << entry.path();
  }
}

TEST_CHILD_ROLE(ChangesTheUsersHive) {
  HKEY key = nullptr;
  LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, "Environment", 0, KEY_ALL_ACCESS, &key);
  LONG changed = setText(opened == ERROR_SUCCESS ? key : HKEY_CURRENT_USER, "Path", REG_SZ, bytes("x\0", 2));
  printf("open %ld, change %ld\n", static_cast<long>(opened), static_cast<long>(changed));
  return 0;
}

struct FullDiskCase {
  const char* why;
  const char* options;  // of the tmpfs that holds the store
  const char* fill;     // a shell command that fills it; $1 is where it is mounted
};

// The store lies on a tmpfs of its own, filled up, in a mount namespace of a child
// (which needs root: elsewhere the test is skipped).
TEST_F(POSIXregistry, FirstUseOnAFullDiskSaysTheDiskIsFull) {
  SKIP_ON_WINDOWS();
  const FullDiskCase cases[] = {
      {"no room for the hive's text", "size=4k", "mkdir \"$1/store\"; head -c 1048576 /dev/zero > \"$1/fill\""},
      {"no room for the store directory", "size=64k,nr_inodes=2", ": > \"$1/fill\""},
  };
  std::string program = fs::read_symlink("/proc/self/exe").string();
  for (const FullDiskCase& c : cases) {
    TESTtemporaryDirectory top;
    std::string script = std::string("command -v unshare > /dev/null || exit 77\n"
                                     "exec unshare -m sh -c '\n"
                                     "  mount -t tmpfs -o \"$2\" tmpfs \"$1\" 2> /dev/null || exit 77\n"
                                     "  { ") +
                         c.fill +
                         "; } 2> /dev/null\n"
                         "  PLAT_REGISTRY_DIR=\"$1/store\" exec \"$3\" \"$4\"\n"
                         "' sh \"$@\"\n";
    TESTprogramRun run = TESTcaptureProgram(
        "/bin/sh", {"sh", "-c", script, "sh", top.path(), c.options, program, TESTchildRole("ChangesTheUsersHive")[0]});
    if (run.exitCode == 77) GTEST_SKIP() << "a tmpfs cannot be mounted here";
    EXPECT_EQ(run.exitCode, 0) << c.why << ": " << run.err;
    EXPECT_EQ(run.out, "open 0, change 112\n") << c.why << ": " << run.err;
  }
}

}  // namespace
