// REGregistry: one root key of the Windows registry and at most one open subkey at a
// time. It reads and writes string, DWORD and boolean values, deletes values, keys and
// whole trees, tests keys and enumerates values and subkeys. A registry failure that it
// does not absorb is a COLerror with the system's message text (code 0x80000500).
#pragma once

#include "COL/COLstring.h"
#include "platform/PLATwindows.h"

#include <string>

class REGregistryPrivate;

class REGregistry {
public:
  // The value types a string value may have.
  enum REGvalueType { REGdefaultString = 1, REGexpandString = 2 };

  // Only the five predefined keys that hold keys are accepted as the root.
  explicit REGregistry(HKEY RootKey);
  virtual ~REGregistry();
  REGregistry(const REGregistry&) = delete;
  REGregistry& operator=(const REGregistry&) = delete;

  // Opens (or creates) the subkey with all access rights plus the extra ones, falling back
  // to read access. A path is taken below the open subkey unless it is empty or starts
  // with a backslash. When the key cannot be opened, the key open before stays open.
  void setKey(const COLstring& KeyPath, bool Create = false, REGSAM ExtraAccess = 0);

  // The operations below work on the open subkey, or on the root key when none is open.
  // A REG_SZ or REG_EXPAND_SZ value's text up to its first NUL, unexpanded; the default
  // for a missing or unreadable value or one of another type (*pType then unchanged).
  COLstring getString(const COLstring& Name, const char* Default = "", int* pType = nullptr);
  // The same value's text as the registry keeps it, in WCHARs (UTF-16 code units on
  // Windows), for a caller that must see every unit, a lone surrogate too, before the code
  // page has turned it into something else. The name is turned from the code page as the
  // ANSI calls turn it, so this finds the value that getString finds: false, and Text
  // empty, where getString would give the default. (Natively the layer's ANSI calls take
  // a name's bytes as they are: a name that is no UTF-8, which only they can store, has no
  // wide form that names it.)
  bool getWideString(const COLstring& Name, std::wstring& Text, int* pType = nullptr);
  // Writes the text with its NUL as a value of the given type. Returns 0.
  int setString(const COLstring& Name, const COLstring& Value, int Type);
  // A REG_DWORD value, else the default.
  int getDword(const COLstring& Name, int Default);
  int setDword(const COLstring& Name, int Value);
  // True only for a stored DWORD of exactly 1.
  bool getBool(const COLstring& Name, bool Default);
  int setBool(const COLstring& Name, bool Value);
  int deleteValue(const COLstring& Name);
  // Deletes a key that has no subkeys.
  int deleteKey(const COLstring& KeyPath);
  // Deletes the key below the open subkey with all its subkeys, depth first.
  void deleteKeyTree(const COLstring& KeyPath);
  // False for a missing key; a key that cannot be opened with all rights raises.
  bool keyExists(const COLstring& KeyPath);

  // Enumeration of the open subkey from the enumeration index, which only a successful
  // step, deleteKeyTree and resetEnumeration change (not setKey). False at the end.
  bool nextStringValue(COLstring& Name, COLstring& Value, int* pType = nullptr);
  bool nextValueName(COLstring& Name);
  bool nextSubKeyName(COLstring& Name);
  void resetEnumeration();

  HKEY rootKey() const;
  // When set (as after construction), key handles are closed without RegFlushKey.
  bool noFlush() const;
  void setNoFlush(bool NoFlush);

private:
  REGregistryPrivate* pMember;
};
