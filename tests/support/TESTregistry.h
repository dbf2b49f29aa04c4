// A registry key of the running test's own, under HKEY_CURRENT_USER\Software\OlvenmarkTests,
// made fresh before the test and removed with everything below it afterwards, so that the
// registry tests of both builds (Wine's registry, or our layer's store) leave nothing behind.
#pragma once

#include "platform/PLATwindows.h"

#include <string>

// Deletes a key with every key below it, with the system's own calls alone.
void TESTdeleteRegistryTree(HKEY parent, const std::string& path);

class TESTregistryKey {
public:
  // suite names the folder below OlvenmarkTests; the key is named after the running test.
  explicit TESTregistryKey(const std::string& suite);
  ~TESTregistryKey();
  TESTregistryKey(const TESTregistryKey&) = delete;
  TESTregistryKey& operator=(const TESTregistryKey&) = delete;

  const std::string& path() const { return m_Path; }  // below HKEY_CURRENT_USER
  HKEY key() const { return m_Key; }                   // open with all access

private:
  std::string m_Path;
  HKEY m_Key = nullptr;
};
