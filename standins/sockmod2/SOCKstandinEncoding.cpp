// The process-wide translation locale and the encoding object. The locale is only a
// setting here: it names one entry of a fixed list and changes no text conversion.
#include "standins/sockmod2/SOCKstandinCore.h"

#include <mutex>

namespace {

const char* const s_Locales[] = {"en_US", "de_DE", "fr_FR", "ja_JP", "zh_CN"};
const int s_LocaleCount = int(sizeof s_Locales / sizeof s_Locales[0]);

std::mutex s_LocaleLock;
int s_Current = 0;

class Encoding : public SOCKobject {
public:
  Encoding() : SOCKobject(SOCKkindEncoding) {}
};

}  // namespace

void SOCKencodingReset() {
  std::lock_guard<std::mutex> hold(s_LocaleLock);
  s_Current = 0;
}

extern "C" {

SOCK_OBJECT_LIFETIME(varnelEncoding, ::Encoding, SOCKkindEncoding, Encoding)

VRNresult VRNvarnelEncodingGetCurrentTranslationLocale(const char** Locale) {
  SOCK_ENTER(VRNvarnelEncodingGetCurrentTranslationLocale);
  return SOCKguard([&]() -> VRNresult {
    SOCK_NEED(Locale);
    std::lock_guard<std::mutex> hold(s_LocaleLock);
    *Locale = s_Locales[s_Current];
    return nullptr;
  });
}

VRNresult VRNvarnelEncodingSetCurrentTranslationLocale(const char* Locale) {
  SOCK_ENTER(VRNvarnelEncodingSetCurrentTranslationLocale, SOCKtextArg(Locale));
  return SOCKguard([&]() -> VRNresult {
    SOCK_NEED(Locale);
    std::string wanted = Locale;
    for (int i = 0; i < s_LocaleCount; ++i) {
      if (wanted == s_Locales[i]) {
        std::lock_guard<std::mutex> hold(s_LocaleLock);
        s_Current = i;
        return nullptr;
      }
    }
    return SOCKfail("Unknown translation locale", "Locale", wanted);
  });
}

VRNresult VRNvarnelEncodingCountOfTranslationLocale(int* Count) {
  SOCK_ENTER(VRNvarnelEncodingCountOfTranslationLocale);
  return SOCKguard([&]() -> VRNresult {
    SOCK_NEED(Count);
    *Count = s_LocaleCount;
    return nullptr;
  });
}

VRNresult VRNvarnelEncodingTranslationLocale(int Index, const char** Locale) {
  SOCK_ENTER(VRNvarnelEncodingTranslationLocale, SOCKnumberArg(Index));
  return SOCKguard([&]() -> VRNresult {
    SOCK_NEED(Locale);
    if (Index < 0 || Index >= s_LocaleCount)
      return SOCKfail("Translation locale index out of range", "Index", std::to_string(Index));
    *Locale = s_Locales[Index];
    return nullptr;
  });
}

}  // extern "C"
