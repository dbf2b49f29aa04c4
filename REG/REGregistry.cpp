// REGregistry and its private part: the key it works on, the handle rules and every
// registry call it makes.
#include "REG/REGregistry.h"

#include "COL/COLerror.h"
#include "COL/COLsimpleBuffer.h"

namespace {

const DWORD NameBufferLength = 1024;

// A name in WCHARs as the ANSI calls turn it from the process's code page, so that the
// wide calls find the value that they find: byte by byte it would miss every name beyond
// ASCII (a UTF-8 "Päth", 0x80 for the euro sign in code page 1252, any double-byte name).
bool wideName(const COLstring& Name, std::wstring& Wide) {
  Wide.clear();
  if (Name.size() == 0) return true;
  int Length = MultiByteToWideChar(CP_ACP, 0, Name.c_str(), Name.size(), nullptr, 0);
  if (Length <= 0) return false;
  Wide.assign(static_cast<size_t>(Length), L'\0');
  return MultiByteToWideChar(CP_ACP, 0, Name.c_str(), Name.size(), &Wide[0], Length) == Length;
}

}  // namespace

class REGregistryPrivate {
public:
  explicit REGregistryPrivate(HKEY Root) : RootKey(Root), Key(nullptr), NoFlush(true), EnumIndex(0) {
    COL_PRECONDITION(RootKey == HKEY_LOCAL_MACHINE || RootKey == HKEY_CLASSES_ROOT || RootKey == HKEY_CURRENT_CONFIG ||
                         RootKey == HKEY_CURRENT_USER || RootKey == HKEY_USERS,
                     72, "REGregistry");
  }

  // Reads, writes, deletions and tests work on the open subkey, else on the root.
  HKEY baseKey() const { return Key != nullptr ? Key : RootKey; }

  static void checkResult(LONG Result) {
    if (Result != ERROR_SUCCESS) throw COLerror(COLwindowsErrorText(Result), 147, "REGregistry", COL_ERROR_CONVERSION);
  }

  // A handle whose flush fails is still closed, so that raising the failure loses no
  // handle.
  void closeKey(HKEY& Slot) {
    if (Slot == nullptr) return;
    LONG Flushed = NoFlush ? LONG(ERROR_SUCCESS) : RegFlushKey(Slot);
    LONG Closed = RegCloseKey(Slot);
    Slot = nullptr;
    checkResult(Flushed);
    checkResult(Closed);
  }

  // One step of a value or subkey enumeration of the open subkey. The index moves on
  // before a failure is raised, so a name too long for the buffer is skipped next time.
  bool nextEntry(bool Values, COLstring& Name, DWORD* pType) {
    char Buffer[NameBufferLength];
    DWORD Length = NameBufferLength;
    LONG Result = Values ? RegEnumValueA(Key, static_cast<DWORD>(EnumIndex), Buffer, &Length, nullptr, pType,
                                         nullptr, nullptr)
                         : RegEnumKeyExA(Key, static_cast<DWORD>(EnumIndex), Buffer, &Length, nullptr, nullptr,
                                         nullptr, nullptr);
    if (Result == ERROR_NO_MORE_ITEMS) return false;
    ++EnumIndex;
    checkResult(Result);
    Name = COLstring(Buffer, static_cast<int>(Length));
    return true;
  }

  HKEY RootKey;
  HKEY Key;
  bool NoFlush;
  int EnumIndex;
};

REGregistry::REGregistry(HKEY RootKey) : pMember(new REGregistryPrivate(RootKey)) {}

REGregistry::~REGregistry() {
  try {
    pMember->closeKey(pMember->Key);
  } catch (const COLerror&) {
    // A destructor never throws; the handle is as closed as the system allows.
  }
  delete pMember;
}

void REGregistry::setKey(const COLstring& KeyPath, bool Create, REGSAM ExtraAccess) {
  HKEY Base = KeyPath.size() == 0 || KeyPath.c_str()[0] == '\\' || pMember->Key == nullptr ? pMember->RootKey
                                                                                              : pMember->Key;
  REGSAM Access = ExtraAccess | KEY_ALL_ACCESS;
  // The new handle goes into a slot of its own, so that a key that cannot be opened
  // leaves the object on the key it had open.
  HKEY NewKey = nullptr;
  LONG Result;
  if (Create)
    Result = RegCreateKeyExA(Base, KeyPath.c_str(), 0, const_cast<char*>(""), 0, Access, nullptr, &NewKey, nullptr);
  else
    Result = RegOpenKeyExA(Base, KeyPath.c_str(), 0, Access, &NewKey);
  if (Result != ERROR_SUCCESS) {
    NewKey = nullptr;
    Result = RegOpenKeyExA(Base, KeyPath.c_str(), 0, KEY_READ, &NewKey);
    if (Result != ERROR_SUCCESS) {
      if (NewKey != nullptr) RegCloseKey(NewKey);
      REGregistryPrivate::checkResult(Result);
    }
  }
  HKEY OldKey = pMember->Key;
  pMember->Key = NewKey;
  pMember->closeKey(OldKey);
}

COLstring REGregistry::getString(const COLstring& Name, const char* Default, int* pType) {
  HKEY Base = pMember->baseKey();
  DWORD Type = 0, Size = 0;
  LONG Result = RegQueryValueExA(Base, Name.c_str(), nullptr, &Type, nullptr, &Size);
  if (Result != ERROR_SUCCESS) return COLstring(Default);
  // One byte more than the value, zero-filled, so a text stored without its NUL ends too.
  COLsimpleBuffer Buffer(Size + 1);
  Size = Buffer.size();
  Result = RegQueryValueExA(Base, Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(Buffer.data()), &Size);
  COL_PRECONDITION(Result == 0, 306, "REGregistry");
  if (Type != REGdefaultString && Type != REGexpandString) return COLstring(Default);
  if (pType != nullptr) *pType = static_cast<int>(Type);
  return COLstring(Buffer.data());
}

bool REGregistry::getWideString(const COLstring& Name, std::wstring& Text, int* pType) {
  Text.clear();
  std::wstring WideName;
  if (!wideName(Name, WideName)) return false;
  HKEY Base = pMember->baseKey();
  DWORD Type = 0, Size = 0;
  if (RegQueryValueExW(Base, WideName.c_str(), nullptr, &Type, nullptr, &Size) != ERROR_SUCCESS) return false;
  std::wstring Buffer(Size / sizeof(WCHAR) + 1, L'\0');
  Size = static_cast<DWORD>(Buffer.size() * sizeof(WCHAR));
  LONG Result = RegQueryValueExW(Base, WideName.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(&Buffer[0]), &Size);
  COL_PRECONDITION(Result == 0, 306, "REGregistry");
  if (Type != REGdefaultString && Type != REGexpandString) return false;
  if (pType != nullptr) *pType = static_cast<int>(Type);
  Buffer.resize(Size / sizeof(WCHAR));
  const size_t End = Buffer.find(L'\0');
  Text = End == std::wstring::npos ? Buffer : Buffer.substr(0, End);
  return true;
}

int REGregistry::setString(const COLstring& Name, const COLstring& Value, int Type) {
  LONG Result = RegSetValueExA(pMember->baseKey(), Name.c_str(), 0, static_cast<DWORD>(Type),
                               reinterpret_cast<const BYTE*>(Value.c_str()), static_cast<DWORD>(Value.size()) + 1);
  REGregistryPrivate::checkResult(Result);
  return Result;
}

int REGregistry::getDword(const COLstring& Name, int Default) {
  DWORD Type = 0, Value = 0, Size = sizeof Value;
  LONG Result = RegQueryValueExA(pMember->baseKey(), Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(&Value),
                                 &Size);
  if (Result != ERROR_SUCCESS || Type != REG_DWORD) return Default;
  return static_cast<int>(Value);
}

int REGregistry::setDword(const COLstring& Name, int Value) {
  DWORD Stored = static_cast<DWORD>(Value);
  LONG Result = RegSetValueExA(pMember->baseKey(), Name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Stored),
                               sizeof Stored);
  REGregistryPrivate::checkResult(Result);
  return Result;
}

bool REGregistry::getBool(const COLstring& Name, bool Default) { return getDword(Name, Default ? 1 : 0) == 1; }

int REGregistry::setBool(const COLstring& Name, bool Value) { return setDword(Name, Value ? 1 : 0); }

int REGregistry::deleteValue(const COLstring& Name) {
  LONG Result = RegDeleteValueA(pMember->baseKey(), Name.c_str());
  REGregistryPrivate::checkResult(Result);
  return Result;
}

int REGregistry::deleteKey(const COLstring& KeyPath) {
  LONG Result = RegDeleteKeyA(pMember->baseKey(), KeyPath.c_str());
  REGregistryPrivate::checkResult(Result);
  return Result;
}

void REGregistry::deleteKeyTree(const COLstring& KeyPath) {
  HKEY Child = nullptr;
  REGregistryPrivate::checkResult(RegOpenKeyA(pMember->Key, KeyPath.c_str(), &Child));
  {
    REGregistry Children(pMember->RootKey);
    Children.pMember->Key = Child;
    // An empty path gives back the open handle itself, which stays this object's to close:
    // the temporary object hands it back on every way out, a failed deletion below too.
    struct HandBack {
      REGregistryPrivate& Temporary;
      bool Borrowed;
      ~HandBack() {
        if (Borrowed) Temporary.Key = nullptr;
      }
    } handBack{*Children.pMember, Child == pMember->Key};
    COLstring Name;
    while (Children.nextSubKeyName(Name)) Children.deleteKeyTree(Name);
  }
  deleteKey(KeyPath);
  // The caller may be enumerating this key's subkeys and has just had this one.
  --pMember->EnumIndex;
}

bool REGregistry::keyExists(const COLstring& KeyPath) {
  HKEY Temporary = nullptr;
  LONG Result = RegOpenKeyExA(pMember->baseKey(), KeyPath.c_str(), 0, KEY_ALL_ACCESS, &Temporary);
  if (Result == ERROR_FILE_NOT_FOUND) {
    if (Temporary != nullptr) RegCloseKey(Temporary);
    return false;
  }
  REGregistryPrivate::checkResult(Result);
  pMember->closeKey(Temporary);
  return true;
}

bool REGregistry::nextStringValue(COLstring& Name, COLstring& Value, int* pType) {
  DWORD Type = 0;
  do {
    if (!pMember->nextEntry(true, Name, &Type)) return false;
  } while (Type != REGdefaultString && Type != REGexpandString);
  Value = getString(Name, "", nullptr);
  if (pType != nullptr) *pType = static_cast<int>(Type);
  return true;
}

bool REGregistry::nextValueName(COLstring& Name) {
  DWORD Type = 0;
  return pMember->nextEntry(true, Name, &Type);
}

bool REGregistry::nextSubKeyName(COLstring& Name) { return pMember->nextEntry(false, Name, nullptr); }

void REGregistry::resetEnumeration() { pMember->EnumIndex = 0; }

HKEY REGregistry::rootKey() const { return pMember->RootKey; }

bool REGregistry::noFlush() const { return pMember->NoFlush; }

void REGregistry::setNoFlush(bool NoFlush) { pMember->NoFlush = NoFlush; }
