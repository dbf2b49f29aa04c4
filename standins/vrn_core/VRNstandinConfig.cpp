// The stand-in's delimiter configurations: a configuration handle is one VRNhl7Config of
// its engine. Levels count from 1: the field separator, the component separator and the
// subcomponent separator; the repeat character belongs to level 1, the field level, only.
#include "standins/vrn_core/VRNstandinCore.h"
#include "standins/vrn_core/VRNstandinHl7.h"

namespace {

const int64_t kLevels = 3;

VRNhl7Config* as_config(VRNhandle handle) { return static_cast<VRNhl7Config*>(handle); }

char* separator(VRNhl7Config& config, int64_t level) {
  switch (level) {
    case 1: return &config.field;
    case 2: return &config.component;
    case 3: return &config.subcomponent;
    default: return nullptr;
  }
}

VRNresult bad_level(int64_t level) { return VRNstandinFail("Level out of range", "Level", std::to_string(level)); }

}  // namespace

#define VRN_CONFIG_BODY(...)                           \
  return VRNstandinGuard([&]() -> VRNresult {          \
    if (!Config) return VRNstandinFail("Null config"); \
    VRNhl7Config& config = *as_config(Config);         \
    __VA_ARGS__                                        \
  })

extern "C" {

VRNresult VRNconfigGetCountOfLevel(VRNhandle Config, int64_t* Count) {
  VRN_STANDIN_ENTER(VRNconfigGetCountOfLevel, VRNstandinPointer(Config));
  VRN_CONFIG_BODY((void)config; *Count = kLevels; return nullptr;);
}

VRNresult VRNconfigSetSepChar(VRNhandle Config, int64_t Level, unsigned char Char) {
  VRN_STANDIN_ENTER(VRNconfigSetSepChar, VRNstandinPointer(Config), std::to_string(Level), std::to_string(Char));
  VRN_CONFIG_BODY(char* place = separator(config, Level); if (!place) return bad_level(Level);
                  *place = char(Char); return nullptr;);
}

VRNresult VRNconfigGetSepChar(VRNhandle Config, int64_t Level, signed char* Char) {
  VRN_STANDIN_ENTER(VRNconfigGetSepChar, VRNstandinPointer(Config), std::to_string(Level));
  VRN_CONFIG_BODY(char* place = separator(config, Level); if (!place) return bad_level(Level);
                  *Char = static_cast<signed char>(*place); return nullptr;);
}

VRNresult VRNconfigSetRepeatChar(VRNhandle Config, int64_t Level, int64_t Char) {
  VRN_STANDIN_ENTER(VRNconfigSetRepeatChar, VRNstandinPointer(Config), std::to_string(Level), std::to_string(Char));
  VRN_CONFIG_BODY(if (Level != 1) return bad_level(Level); config.repeat = char(Char); return nullptr;);
}

// The repeat character as an unsigned byte in 32 bits.
VRNresult VRNconfigGetRepeatChar(VRNhandle Config, int64_t Level, int32_t* Char) {
  VRN_STANDIN_ENTER(VRNconfigGetRepeatChar, VRNstandinPointer(Config), std::to_string(Level));
  VRN_CONFIG_BODY(if (Level != 1) return bad_level(Level);
                  *Char = static_cast<unsigned char>(config.repeat); return nullptr;);
}

VRNresult VRNconfigSetEscapeChar(VRNhandle Config, unsigned char Char) {
  VRN_STANDIN_ENTER(VRNconfigSetEscapeChar, VRNstandinPointer(Config), std::to_string(Char));
  VRN_CONFIG_BODY(config.escape = char(Char); return nullptr;);
}

VRNresult VRNconfigGetEscapeChar(VRNhandle Config, signed char* Char) {
  VRN_STANDIN_ENTER(VRNconfigGetEscapeChar, VRNstandinPointer(Config));
  VRN_CONFIG_BODY(*Char = static_cast<signed char>(config.escape); return nullptr;);
}

}  // extern "C"
