// The tests' private registry keys.
#include "tests/support/TESTregistry.h"

#include <gtest/gtest.h>

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
