// The stand-in's shared machinery, its error functions and its text conversion. The
// library's multibyte encoding is UTF-8 here, checked strictly both ways: a lone
// surrogate, an overlong form or a stray byte fails the conversion with an error object.
#include "standins/vrn_core/VRNstandinCore.h"
#include "standins/vrn_core/VRNstandinControl.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// Guards the null flags; the journal has its own lock.
std::mutex& state_lock() {
  static std::mutex lock;
  return lock;
}
struct NullFlags {
  unsigned char table;
  uint16_t dateTime;
};
NullFlags& null_flags() {
  static NullFlags flags{1, 1};
  return flags;
}

std::atomic<int>* live_counts() {
  static std::atomic<int> counts[VRNkindCount];
  return counts;
}

const char* const s_FunctionNames[] = {
#define VRN_NAME(Name, Parameters) #Name,
    VRN_CORE_FUNCTIONS(VRN_NAME)
#undef VRN_NAME
};

VRNresult fail_injected(const std::string& description, const char* key, const std::string& value) {
  return key ? VRNstandinFail(description, key, value) : VRNstandinFail(description);
}

STANDINjournal& calls() {
  static STANDINjournal journal(s_FunctionNames, sizeof s_FunctionNames / sizeof *s_FunctionNames, fail_injected);
  return journal;
}

LEGerror* as_error(VRNhandle handle) { return static_cast<LEGerror*>(handle); }

bool usable_error(VRNhandle handle) { return handle != nullptr && !VRNisUnhandledError(handle); }

// Strict UTF-16 to UTF-8 into out, which has room for three bytes a unit (a pair of
// surrogates becomes four bytes); the bytes written, or -1 at the first unpaired surrogate.
int64_t utf16_to_utf8(const VRNunit* text, int64_t length, char* out) {
  char* at = out;
  for (int64_t i = 0; i < length; ++i) {
    // Runs of ASCII go eight units at a time.
    while (i + 8 <= length) {
      VRNunit any = 0;
      for (int k = 0; k < 8; ++k) any |= text[i + k];
      if (any >= 0x80) break;
      for (int k = 0; k < 8; ++k) at[k] = char(text[i + k]);
      at += 8;
      i += 8;
    }
    if (i == length) break;
    uint32_t c = text[i];
    if (c < 0x80) {
      *at++ = char(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= length || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return -1;
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return -1;
    }
    if (c < 0x800) {
      *at++ = char(0xC0 | (c >> 6));
      *at++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *at++ = char(0xE0 | (c >> 12));
      *at++ = char(0x80 | ((c >> 6) & 0x3F));
      *at++ = char(0x80 | (c & 0x3F));
    } else {
      *at++ = char(0xF0 | (c >> 18));
      *at++ = char(0x80 | ((c >> 12) & 0x3F));
      *at++ = char(0x80 | ((c >> 6) & 0x3F));
      *at++ = char(0x80 | (c & 0x3F));
    }
  }
  return at - out;
}

// Strict UTF-8 to UTF-16 into out, which has room for one unit a byte: no overlong forms,
// no encoded surrogates, nothing past U+10FFFF. The units written, or -1.
int64_t utf8_to_utf16(const unsigned char* text, int64_t length, VRNunit* out) {
  VRNunit* at = out;
  for (int64_t i = 0; i < length;) {
    while (i + 8 <= length) {
      unsigned char any = 0;
      for (int k = 0; k < 8; ++k) any |= text[i + k];
      if (any >= 0x80) break;
      for (int k = 0; k < 8; ++k) at[k] = text[i + k];
      at += 8;
      i += 8;
    }
    if (i == length) break;
    unsigned char b = text[i];
    if (b < 0x80) {
      *at++ = b;
      ++i;
      continue;
    }
    uint32_t c;
    int more;
    if (b >= 0xC2 && b <= 0xDF) { c = b & 0x1F; more = 1; }
    else if (b >= 0xE0 && b <= 0xEF) { c = b & 0x0F; more = 2; }
    else if (b >= 0xF0 && b <= 0xF4) { c = b & 0x07; more = 3; }
    else return -1;
    if (i + more >= length) return -1;
    for (int k = 1; k <= more; ++k) {
      unsigned char n = text[i + k];
      if ((n & 0xC0) != 0x80) return -1;
      c = (c << 6) | (n & 0x3F);
    }
    if ((more == 2 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (more == 3 && (c < 0x10000 || c > 0x10FFFF)))
      return -1;
    if (c >= 0x10000) {
      *at++ = VRNunit(0xD800 + ((c - 0x10000) >> 10));
      *at++ = VRNunit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      *at++ = VRNunit(c);
    }
    i += 1 + more;
  }
  return at - out;
}

}  // namespace

VRNstandinCounted::VRNstandinCounted(VRNstandinKind kind) : m_Kind(kind) { VRNstandinCountUp(kind); }
VRNstandinCounted::VRNstandinCounted(const VRNstandinCounted& other) : m_Kind(other.m_Kind) {
  VRNstandinCountUp(m_Kind);
}
VRNstandinCounted::~VRNstandinCounted() { VRNstandinCountDown(m_Kind); }

void VRNstandinCountUp(VRNstandinKind kind) { ++live_counts()[kind]; }
void VRNstandinCountDown(VRNstandinKind kind) { --live_counts()[kind]; }

VRNstandinError::VRNstandinError(const std::string& description, int code)
    : LEGerror(COLstring(description.c_str(), int(description.size())), code), m_Counted(VRNkindError) {}

VRNresult VRNstandinFail(const std::string& description, int code) {
  VRNstandinError* error = new VRNstandinError(description, code);
  error->add_ref();
  return static_cast<LEGerror*>(error);
}

VRNresult VRNstandinFail(const std::string& description, const char* key, const std::string& value, int code) {
  VRNstandinError* error = new VRNstandinError(description, code);
  error->setParameter(COLstring(key), COLstring(value.c_str(), int(value.size())));
  error->add_ref();
  return static_cast<LEGerror*>(error);
}

VRNresult VRNstandinEnter(const char* name, std::initializer_list<STANDINarg> arguments) {
  return calls().enter(name, arguments);
}

unsigned char VRNstandinTableNullByte() {
  std::lock_guard<std::mutex> hold(state_lock());
  return null_flags().table;
}

uint16_t VRNstandinDateTimeNullFlag() {
  std::lock_guard<std::mutex> hold(state_lock());
  return null_flags().dateTime;
}

extern "C" {

void VRNstandinSetNullFlags(unsigned char TableByte, uint16_t DateTimeFlag) {
  std::lock_guard<std::mutex> hold(state_lock());
  null_flags() = {TableByte, DateTimeFlag};
}

void VRNstandinReset() {
  {
    std::lock_guard<std::mutex> hold(state_lock());
    null_flags() = {1, 1};
  }
  calls().reset();
}

bool VRNstandinFailNext(const char* Function, const char* Description, const char* Key, const char* Value) {
  return calls().failNext(Function, Description, Key, Value);
}

bool VRNstandinFailNextUnhandled(const char* Function) { return calls().failNextUnhandled(Function); }

const char* VRNstandinJournal() { return calls().text(); }

int VRNstandinCallCount(const char* Function) { return calls().callCount(Function); }

int VRNstandinLiveCount(const char* Kind) {
  static const char* const names[VRNkindCount] = {"engine", "table", "error", "multibyte", "wide", "datetime", "dump"};
  for (int i = 0; i < VRNkindCount; ++i)
    if (Kind && std::strcmp(Kind, names[i]) == 0) return live_counts()[i];
  return -1;
}

int64_t VRNstandinReferenceCount(VRNhandle Error) {
  return usable_error(Error) ? as_error(Error)->ref_count() : -1;
}

// ---- errors and references ----

VRNresult VRNerrorGetDescription(VRNhandle Error, const char** Text) {
  VRN_STANDIN_ENTER(VRNerrorGetDescription, VRNstandinPointer(Error));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!usable_error(Error)) return VRNstandinFail("Not an error object");
    *Text = as_error(Error)->description().c_str();
    return nullptr;
  });
}

VRNresult VRNerrorGetParameter(VRNhandle Error, const char* Key, const char** Text) {
  VRN_STANDIN_ENTER(VRNerrorGetParameter, VRNstandinPointer(Error), VRNstandinText(Key));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!usable_error(Error)) return VRNstandinFail("Not an error object");
    COLstring key(Key ? Key : "");
    // A missing key reads as the empty text; asking never adds it.
    *Text = as_error(Error)->hasParameter(key) ? as_error(Error)->parameter(key).c_str() : "";
    return nullptr;
  });
}

VRNresult VRNerrorGetCountOfParameter(VRNhandle Error, int* Count) {
  VRN_STANDIN_ENTER(VRNerrorGetCountOfParameter, VRNstandinPointer(Error));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!usable_error(Error)) return VRNstandinFail("Not an error object");
    *Count = as_error(Error)->countOfParameter();
    return nullptr;
  });
}

VRNresult VRNerrorGetKey(VRNhandle Error, int64_t Index, const char** Text) {
  VRN_STANDIN_ENTER(VRNerrorGetKey, VRNstandinPointer(Error), std::to_string(Index));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!usable_error(Error)) return VRNstandinFail("Not an error object");
    LEGerror* error = as_error(Error);
    if (Index < 0 || Index >= error->countOfParameter())
      return VRNstandinFail("Parameter index out of range", "Index", std::to_string(Index));
    // The key lives in the error's map; walk to it so the text stays the error's own.
    COLavlNode* place = error->firstParameter();
    for (int64_t i = 0; i < Index; ++i) place = error->nextParameter(place);
    *Text = error->parameterName(place).c_str();
    return nullptr;
  });
}

VRNresult VRNreferenceAddRef(VRNhandle Object) {
  VRN_STANDIN_ENTER(VRNreferenceAddRef, VRNstandinPointer(Object));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!usable_error(Object)) return VRNstandinFail("Not an object");
    as_error(Object)->add_ref();
    return nullptr;
  });
}

VRNresult VRNreferenceRelease(VRNhandle Object) {
  VRN_STANDIN_ENTER(VRNreferenceRelease, VRNstandinPointer(Object));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!usable_error(Object)) return VRNstandinFail("Not an object");
    as_error(Object)->release();
    return nullptr;
  });
}

VRNresult VRNerrorRelease(VRNhandle Error) {
  VRN_STANDIN_ENTER(VRNerrorRelease, VRNstandinPointer(Error));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!usable_error(Error)) return VRNstandinFail("Not an error object");
    as_error(Error)->release();
    return nullptr;
  });
}

VRNresult VRNerrorCreate(VRNhandle* Error, const char* Description) {
  VRN_STANDIN_ENTER(VRNerrorCreate, VRNstandinText(Description));
  return VRNstandinGuard([&]() -> VRNresult {
    *Error = VRNstandinFail(Description ? Description : "");
    return nullptr;
  });
}

// ---- text conversion ----

// The text conversions run for every text that crosses the bridge: their arguments go into
// the journal raw.
VRNresult VRNwideCharToMultiByte(const VRNunit* Text, int64_t Length, char** Result) {
  VRN_STANDIN_ENTER(VRNwideCharToMultiByte, STANDINarg::number(Length));
  return VRNstandinGuard([&]() -> VRNresult {
    if (Text == nullptr && Length != 0) return VRNstandinFail("Null text with a length");
    // A negative length converts nothing.
    std::unique_ptr<char[]> text(new char[size_t(std::max<int64_t>(Length, 0)) * 3 + 1]);
    int64_t bytes = utf16_to_utf8(Text, Length, text.get());
    if (bytes < 0) return VRNstandinFail("Text is not valid UTF-16", "Length", std::to_string(Length));
    text[size_t(bytes)] = '\0';
    VRNstandinCountUp(VRNkindMultiByte);
    *Result = text.release();
    return nullptr;
  });
}

VRNresult VRNmultiByteFree(char* Text) {
  VRN_STANDIN_ENTER(VRNmultiByteFree, STANDINarg::pointer(Text));
  return VRNstandinGuard([&]() -> VRNresult {
    if (Text == nullptr) return VRNstandinFail("Null text freed");
    delete[] Text;
    VRNstandinCountDown(VRNkindMultiByte);
    return nullptr;
  });
}

VRNresult VRNmultiByteToWideChar(const char* Text, int64_t Length, VRNunit** Result) {
  VRN_STANDIN_ENTER(VRNmultiByteToWideChar, STANDINarg::text(Text), STANDINarg::number(Length));
  return VRNstandinGuard([&]() -> VRNresult {
    if (Text == nullptr) return VRNstandinFail("Null text");
    std::unique_ptr<VRNunit[]> wide(new VRNunit[size_t(std::max<int64_t>(Length, 0)) + 1]);
    int64_t units = utf8_to_utf16(reinterpret_cast<const unsigned char*>(Text), Length, wide.get());
    if (units < 0) return VRNstandinFail("Text is not valid UTF-8", "Text", std::string(Text, size_t(Length)));
    wide[size_t(units)] = 0;
    VRNstandinCountUp(VRNkindWide);
    *Result = wide.release();
    return nullptr;
  });
}

VRNresult VRNwideCharFree(VRNunit* Text) {
  VRN_STANDIN_ENTER(VRNwideCharFree, STANDINarg::pointer(Text));
  return VRNstandinGuard([&]() -> VRNresult {
    // Freeing nothing is allowed: the bridge frees after a failed conversion too.
    if (Text == nullptr) return nullptr;
    delete[] Text;
    VRNstandinCountDown(VRNkindWide);
    return nullptr;
  });
}

}  // extern "C"
