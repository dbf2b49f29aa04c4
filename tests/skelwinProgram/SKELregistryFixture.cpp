// Seeding and reading the PATH values around each Skelwin test.
#include "tests/skelwinProgram/SKELregistryFixture.h"

#include "tests/support/TESTregistry.h"

#include <cstdio>
#include <ostream>

const SKELscope SKELuser{HKEY_CURRENT_USER, "Environment", "User"};
const SKELscope SKELmachine{HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                            "System"};

std::ostream& operator<<(std::ostream& out, const SKELstoredValue& value) {
  if (!value.exists) return out << "<no value>";
  out << "type " << value.type << ", " << value.bytes.size() << " bytes \"";
  for (char c : value.bytes) {
    if (c == '\0')
      out << "\\0";
    else
      out << c;
  }
  return out << "\"";
}

SKELstoredValue SKELmissing() { return SKELstoredValue{false, 0, ""}; }

SKELstoredValue SKELtext(DWORD type, const std::string& text) {
  return SKELstoredValue{true, type, text + std::string(1, '\0')};
}

namespace {

HKEY openKey(const SKELscope& scope) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(scope.root, scope.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  EXPECT_EQ(result, 0) << "opening " << scope.key;
  return key;
}

// The name under which the key holds its PATH value, or "" when it holds none.
std::string pathName(HKEY key) {
  for (DWORD index = 0;; ++index) {
    char name[1024];
    DWORD length = sizeof name;
    if (RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != 0) return "";
    std::string found(name, length);
    if (found.size() == 4 && (found[0] | 0x20) == 'p' && (found[1] | 0x20) == 'a' && (found[2] | 0x20) == 't' &&
        (found[3] | 0x20) == 'h')
      return found;
  }
}

}  // namespace

void SKELregistryFixture::SetUp() {
  if (TESTwindowsBuild) {
    savedUser_ = Saved{stored(SKELuser), storedName(SKELuser)};
    savedMachine_ = Saved{stored(SKELmachine), storedName(SKELmachine)};
    return;
  }
  store_.reset(new TESTprivateRegistryStore);
  logDirectory_.reset(new TESTtemporaryDirectory);
  log_ = logDirectory_->path() + "/broadcast.log";
  TESTsetEnvironment("PLAT_BROADCAST_LOG", log_.c_str());
}

void SKELregistryFixture::TearDown() {
  if (TESTwindowsBuild) {
    seed(SKELuser, savedUser_.value, savedUser_.name.empty() ? "PATH" : savedUser_.name.c_str());
    seed(SKELmachine, savedMachine_.value, savedMachine_.name.empty() ? "PATH" : savedMachine_.name.c_str());
    return;
  }
  TESTsetEnvironment("PLAT_BROADCAST_LOG", nullptr);
  logDirectory_.reset();
  store_.reset();
}

void SKELregistryFixture::seed(const SKELscope& scope, const SKELstoredValue& value, const char* name) {
  HKEY key = openKey(scope);
  if (key == nullptr) return;
  std::string old = pathName(key);
  if (!old.empty()) {
    EXPECT_EQ(RegDeleteValueA(key, old.c_str()), 0) << scope.key;
  }
  if (value.exists) {
    EXPECT_EQ(RegSetValueExA(key, name, 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                             static_cast<DWORD>(value.bytes.size())),
              0)
        << scope.key;
  }
  RegCloseKey(key);
}

void SKELregistryFixture::seedText(const SKELscope& scope, const SKELstoredValue& value) {
  seed(scope, SKELmissing());
  if (!value.exists) return;
  HKEY key = openKey(scope);
  if (key == nullptr) return;
  EXPECT_EQ(TESTsetRegistryText(key, "PATH", value.type, value.bytes), 0) << scope.key;
  RegCloseKey(key);
}

SKELstoredValue SKELregistryFixture::storedText(const SKELscope& scope) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(scope.root, scope.key, 0, KEY_READ, &key) != 0) return SKELmissing();
  SKELstoredValue value = SKELmissing();
  DWORD type = 0;
  std::string text;
  if (TESTregistryText(key, "PATH", type, text)) value = SKELstoredValue{true, type, text};
  RegCloseKey(key);
  return value;
}

SKELstoredValue SKELregistryFixture::stored(const SKELscope& scope) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(scope.root, scope.key, 0, KEY_READ, &key) != 0) return SKELmissing();
  SKELstoredValue value = SKELmissing();
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, "PATH", nullptr, &type, nullptr, &size) == 0) {
    std::string bytes(size, '\0');
    if (RegQueryValueExA(key, "PATH", nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size) == 0)
      value = SKELstoredValue{true, type, bytes.substr(0, size)};
  }
  RegCloseKey(key);
  return value;
}

std::string SKELregistryFixture::storedName(const SKELscope& scope) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(scope.root, scope.key, 0, KEY_READ, &key) != 0) return "";
  std::string name = pathName(key);
  RegCloseKey(key);
  return name;
}

int SKELregistryFixture::notices() {
  std::string text = TESTfileText(log_);
  if (text == "<missing>") return 0;
  int lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

std::string SKELregistryFixture::machineHiveFile() const { return store_->directory() + "/HKEY_LOCAL_MACHINE.reg"; }
