// The natives of the linked tlm_java, by name: every line of the natives' table.
#include "tests/plugin_bridgeLoader/TESTnatives.h"

#include <cstring>

// Only the addresses are taken here; the callers cast them to the shape's own type.
#define TLM_NATIVE(Class, Method, Function, Shape, A, B) \
  extern "C" void Java_com_olvenmark_tollmere_plugin_##Class##_##Method();
#include "contracts/TLMnatives.def"
#undef TLM_NATIVE

namespace {

struct Native {
  const char* Name;
  void (*Address)();
};

#define TLM_NATIVE(Class, Method, Function, Shape, A, B)                   \
  {"Java_com_olvenmark_tollmere_plugin_" #Class "_" #Method,               \
   &Java_com_olvenmark_tollmere_plugin_##Class##_##Method},
const Native Natives[] = {
#include "contracts/TLMnatives.def"
};
#undef TLM_NATIVE

}  // namespace

void* TESTnative(const char* name) {
  for (const Native& native : Natives) {
    if (std::strcmp(native.Name, name) == 0) return reinterpret_cast<void*>(native.Address);
  }
  return nullptr;
}
