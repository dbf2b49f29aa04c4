// A text is held exactly when turning it from UTF-16 into the code page and back gives
// the same text: a character the code page lacks comes back as "?" or as the look-alike
// that Windows' best fit chose (Omega for an Ω), and either differs from what was stored.
#include "skelwin/SKELtext.h"

#include "platform/PLATwindows.h"

#include <string>

namespace {

bool heldExactly(const WCHAR* Text, int Length) {
  if (Length == 0) return true;
  int Bytes = WideCharToMultiByte(CP_ACP, 0, Text, Length, nullptr, 0, nullptr, nullptr);
  if (Bytes <= 0) return false;
  std::string Narrow(static_cast<size_t>(Bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, Text, Length, &Narrow[0], Bytes, nullptr, nullptr);
  int Back = MultiByteToWideChar(CP_ACP, 0, Narrow.data(), Bytes, nullptr, 0);
  if (Back != Length) return false;
  std::wstring Wide(static_cast<size_t>(Back), L'\0');
  MultiByteToWideChar(CP_ACP, 0, Narrow.data(), Bytes, &Wide[0], Back);
  return Wide.compare(0, Wide.size(), Text, static_cast<size_t>(Length)) == 0;
}

}  // namespace

bool SKELisLeadByte(unsigned char Byte) { return IsDBCSLeadByte(Byte) != FALSE; }

COLstring SKELcomparisonForm(const COLstring& Item, SKELleadBytePredicate IsLeadByte) {
  COLstring Form = Item;
  const int Length = Form.size();
  for (int i = 0; i < Length; ++i) {
    const unsigned char Byte = static_cast<unsigned char>(Form[i]);
    if (IsLeadByte(Byte)) {
      ++i;  // the trail byte is part of the character, whatever it looks like
      continue;
    }
    if (Byte >= 'A' && Byte <= 'Z') Form[i] = static_cast<char>(Byte - 'A' + 'a');
  }
  return Form;
}

bool SKELcodePageHoldsEverything() { return GetACP() == CP_UTF8; }

bool SKELargumentsHeldExactly() {
  const WCHAR* Line = GetCommandLineW();
  // The program's name ends at its closing quote when it starts with one, else at the
  // first blank or tab: the way Windows' runtime reads it.
  const WCHAR* Rest = Line;
  if (*Rest == L'"') {
    ++Rest;
    while (*Rest != L'\0' && *Rest != L'"') ++Rest;
    if (*Rest == L'"') ++Rest;
  } else {
    while (*Rest != L'\0' && *Rest != L' ' && *Rest != L'\t') ++Rest;
  }
  return heldExactly(Rest, static_cast<int>(wcslen(Rest)));
}

bool SKELexecutablePathHeldExactly() {
  std::wstring Path(32768, L'\0');
  DWORD Length = GetModuleFileNameW(nullptr, &Path[0], static_cast<DWORD>(Path.size()));
  if (Length == 0 || Length >= Path.size()) return false;
  return heldExactly(Path.data(), static_cast<int>(Length));
}

bool SKELregistryValueHeldExactly(void* RootKey, const char* KeyPath, const char* ValueName) {
  HKEY Key = nullptr;
  if (RegOpenKeyExA(static_cast<HKEY>(RootKey), KeyPath, 0, KEY_READ, &Key) != ERROR_SUCCESS) return true;
  std::wstring Name;
  for (const char* p = ValueName; *p != '\0'; ++p) Name += static_cast<WCHAR>(static_cast<unsigned char>(*p));
  bool Exact = true;
  DWORD Type = 0, Size = 0;
  if (RegQueryValueExW(Key, Name.c_str(), nullptr, &Type, nullptr, &Size) == ERROR_SUCCESS &&
      (Type == REG_SZ || Type == REG_EXPAND_SZ)) {
    std::wstring Text(Size / sizeof(WCHAR) + 1, L'\0');
    DWORD Read = static_cast<DWORD>(Text.size() * sizeof(WCHAR));
    if (RegQueryValueExW(Key, Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(&Text[0]), &Read) ==
        ERROR_SUCCESS) {
      // As the program reads the value: up to its first NUL.
      Text.resize(Read / sizeof(WCHAR));
      size_t End = Text.find(L'\0');
      if (End != std::wstring::npos) Text.resize(End);
      Exact = heldExactly(Text.data(), static_cast<int>(Text.size()));
    } else {
      Exact = false;  // it changed under us; better not write than guess
    }
  }
  RegCloseKey(Key);
  return Exact;
}
