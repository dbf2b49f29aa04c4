// A registry key of the running test's own, under HKEY_CURRENT_USER\Software\OlvenmarkTests,
// made fresh before the test and removed with everything below it afterwards, so that the
// registry tests of both builds (Wine's registry, or our layer's store) leave nothing behind.
#pragma once

#include "platform/PLATwindows.h"

#include <string>

// Deletes a key with every key below it, with the system's own calls alone.
void TESTdeleteRegistryTree(HKEY parent, const std::string& path);

// A string value written and read through the wide calls, so that every character is
// stored as it is, whatever the test's code page: the text is given and answered in
// UTF-8, and is the value's whole data (a terminating NUL is part of it). The value's
// name is ASCII.
LSTATUS TESTsetRegistryText(HKEY key, const std::string& name, DWORD type, const std::string& utf8);
// False when the value cannot be read; a value of another type answers its type alone.
bool TESTregistryText(HKEY key, const std::string& name, DWORD& type, std::string& utf8);

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
