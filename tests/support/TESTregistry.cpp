// The tests' private registry keys.
#include "tests/support/TESTregistry.h"

#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

namespace {

std::wstring wideName(const std::string& name) { return std::wstring(name.begin(), name.end()); }

}  // namespace

LSTATUS TESTsetRegistryText(HKEY key, const std::string& name, DWORD type, const std::string& utf8) {
  const std::wstring text = TESTwideOfUtf8(utf8);
  return RegSetValueExW(key, wideName(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(text.data()),
                        static_cast<DWORD>(text.size() * sizeof(WCHAR)));
}

bool TESTregistryText(HKEY key, const std::string& name, DWORD& type, std::string& utf8) {
  utf8.clear();
  DWORD size = 0;
  if (RegQueryValueExW(key, wideName(name).c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return true;
  std::wstring text(size / sizeof(WCHAR) + 1, L'\0');
  DWORD read = static_cast<DWORD>(text.size() * sizeof(WCHAR));
  if (RegQueryValueExW(key, wideName(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &read) !=
      ERROR_SUCCESS)
    return false;
  text.resize(read / sizeof(WCHAR));
  utf8 = TESTutf8OfWide(text);
  return true;
}

void TESTdeleteRegistryTree(HKEY parent, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  for (;;) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    TESTdeleteRegistryTree(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(parent, path.c_str());
}

TESTregistryKey::TESTregistryKey(const std::string& suite)
    : m_Path("Software\\OlvenmarkTests\\" + suite + "\\" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name()) {
  TESTdeleteRegistryTree(HKEY_CURRENT_USER, m_Path);  // what an interrupted run may have left
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &m_Key, nullptr),
            ERROR_SUCCESS)
      << m_Path;
}

TESTregistryKey::~TESTregistryKey() {
  if (m_Key != nullptr) RegCloseKey(m_Key);
  TESTdeleteRegistryTree(HKEY_CURRENT_USER, m_Path);
}
