// A text is held exactly when turning it from UTF-16 into the code page and back gives
// the same text.
#include "skelwin/SKELtext.h"

#include "REG/REGregistry.h"
#include "platform/PLATwindows.h"

#include <string>

namespace {

bool wellFormed(const WCHAR* Text, size_t Length) {
  for (size_t i = 0; i < Length; ++i) {
    const unsigned Unit = static_cast<unsigned>(Text[i]);
    if (Unit >= 0xD800 && Unit <= 0xDBFF && i + 1 < Length && static_cast<unsigned>(Text[i + 1]) >= 0xDC00 &&
        static_cast<unsigned>(Text[i + 1]) <= 0xDFFF) {
      ++i;
      continue;
    }
    if (Unit >= 0xD800 && Unit <= 0xDFFF) return false;
  }
  return true;
}

SKELtextFate fateOf(const WCHAR* Text, size_t Length) {
  if (Length == 0) return SKELheldExactly;
  if (!wellFormed(Text, Length)) return SKELnotWellFormed;
  const int Size = static_cast<int>(Length);
  int Bytes = WideCharToMultiByte(CP_ACP, 0, Text, Size, nullptr, 0, nullptr, nullptr);
  if (Bytes <= 0) return SKELbeyondCodePage;
  std::string Narrow(static_cast<size_t>(Bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, Text, Size, &Narrow[0], Bytes, nullptr, nullptr);
  int Back = MultiByteToWideChar(CP_ACP, 0, Narrow.data(), Bytes, nullptr, 0);
  if (Back != Size) return SKELbeyondCodePage;
  std::wstring Wide(static_cast<size_t>(Back), L'\0');
  MultiByteToWideChar(CP_ACP, 0, Narrow.data(), Bytes, &Wide[0], Back);
  return Wide.compare(0, Wide.size(), Text, Length) == 0 ? SKELheldExactly : SKELbeyondCodePage;
}

// The item's text in WCHARs, when its bytes are valid text of the code page; with Flags 0
// as the ANSI calls read any bytes, a byte that starts no character as U+FFFD.
bool wideOf(const COLstring& Item, std::wstring& Wide, DWORD Flags = MB_ERR_INVALID_CHARS) {
  Wide.clear();
  if (Item.size() == 0) return true;
  int Length = MultiByteToWideChar(CP_ACP, Flags, Item.c_str(), Item.size(), nullptr, 0);
  if (Length <= 0) return false;
  Wide.assign(static_cast<size_t>(Length), L'\0');
  return MultiByteToWideChar(CP_ACP, Flags, Item.c_str(), Item.size(), &Wide[0], Length) == Length;
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

bool SKELsameItem(const COLstring& Left, const COLstring& Right, SKELleadBytePredicate IsLeadByte) {
  std::wstring WideLeft, WideRight;
  if (wideOf(Left, WideLeft) && wideOf(Right, WideRight))
    return CompareStringOrdinal(WideLeft.data(), static_cast<int>(WideLeft.size()), WideRight.data(),
                                static_cast<int>(WideRight.size()), TRUE) == CSTR_EQUAL;
  return SKELcomparisonForm(Left, IsLeadByte) == SKELcomparisonForm(Right, IsLeadByte);
}

SKELtextFate SKELargumentsFate() {
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
  return fateOf(Rest, wcslen(Rest));
}

SKELtextFate SKELexecutableDirectoryFate(const COLstring& Directory) {
  std::wstring Path(32768, L'\0');
  DWORD Length = GetModuleFileNameW(nullptr, &Path[0], static_cast<DWORD>(Path.size()));
  if (Length == 0 || Length >= Path.size()) return SKELbeyondCodePage;
  // No UTF-16 unit of another character is a backslash. A backslash at the very start
  // ends no directory, as in FILexecutableDirectory.
  Path.resize(Length);
  const size_t Cut = Path.rfind(L'\\');
  Path.resize(Cut == std::wstring::npos || Cut == 0 ? 0 : Cut);
  if (!wellFormed(Path.data(), Path.size())) return SKELnotWellFormed;
  // The directory that will be added, read back as the ANSI calls read it, must be this
  // one: a character that the code page lacks comes back as another.
  std::wstring Read;
  return wideOf(Directory, Read, 0) && Read == Path ? SKELheldExactly : SKELbeyondCodePage;
}

SKELtextFate SKELregistryValueFate(void* RootKey, const char* KeyPath, const char* ValueName) {
  REGregistry Registry(static_cast<HKEY>(RootKey));
  Registry.setKey(KeyPath, false, 0);
  std::wstring Text;
  if (!Registry.getWideString(ValueName, Text, nullptr)) return SKELheldExactly;
  return fateOf(Text.data(), Text.size());
}
