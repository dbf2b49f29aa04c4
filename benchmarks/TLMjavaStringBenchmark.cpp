// The bridge's text conversions, each direction the way the bridge runs it (one output area
// sized from the input, one pass), beside the standard library's UTF-8/UTF-16 facet on the
// same text: ASCII, Latin-1, CJK and emoji at 16 bytes, 1 KB and 1 MB of UTF-8.
#include "COL/COLsimpleBuffer.h"
#include "COL/COLstring.h"
#include "plugin_bridge/TLMjavaString.h"

#include <benchmark/benchmark.h>

#include <codecvt>
#include <cstring>
#include <locale>
#include <string>

// The facet is deprecated, but it is the peer every C++17 library ships.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

struct Sample {
  const char* name;
  const char* phrase;  // UTF-8, repeated to the size wanted
};
const Sample Samples[] = {
    {"ascii", "The quick brown fox jumps over the lazy dog; 0123456789. "},
    {"latin1", "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln: caf\xC3\xA9 cr\xC3\xA8me, na\xC3\xAFve fa\xC3\xA7" "ade, "
               "se\xC3\xB1or, \xC3\xA5r \xC3\xB8l. "},
    {"cjk", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x96\x87\xE7\xAB\xA0\xE4\xB8\xAD\xE6\x96\x87"
            "\xE6\x96\x87\xE6\x9C\xAC\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
    {"emoji", "\xF0\x9F\x98\x80\xF0\x9F\x8E\x89\xF0\x9F\x9A\x80\xF0\x9F\x91\x8D\xF0\x9F\x8C\x8D"},
};
const size_t Sizes[] = {16, 1024, 1 << 20};

// The phrase repeated up to Size bytes, cut before a character that would not fit.
std::string textOf(const char* Phrase, size_t Size) {
  std::string Text;
  const size_t Length = strlen(Phrase);
  while (Text.size() < Size) {
    for (size_t I = 0; I < Length && Text.size() < Size;) {
      size_t End = I + 1;
      while (End < Length && (static_cast<unsigned char>(Phrase[End]) & 0xC0) == 0x80) ++End;
      if (Text.size() + (End - I) > Size) return Text;
      Text.append(Phrase + I, End - I);
      I = End;
    }
  }
  return Text;
}

std::u16string utf16Of(const std::string& Text) {
  std::wstring_convert<std::codecvt_utf8_utf16<char16_t>, char16_t> Convert;
  return Convert.from_bytes(Text);
}

// As TLMjavaStringFromUtf8 does it before handing the units to the JVM.
void ourUtf8ToUtf16(benchmark::State& State, const std::string& Text) {
  for (auto _ : State) {
    const size_t Length = strlen(Text.c_str());
    COLsimpleBuffer Buffer(static_cast<unsigned>(Length * 2));
    const TLMutf8* Source = reinterpret_cast<const TLMutf8*>(Text.c_str());
    TLMutf16* Target = reinterpret_cast<TLMutf16*>(Buffer.data());
    utf8ToUtf16(&Source, Source + Length, &Target, Target + Length, strictConversion);
    benchmark::DoNotOptimize(Target);
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Text.size()));
}

void peerUtf8ToUtf16(benchmark::State& State, const std::string& Text) {
  const std::codecvt_utf8_utf16<char16_t> Facet;
  for (auto _ : State) {
    std::mbstate_t Mode{};
    std::u16string Out(Text.size(), u'\0');
    const char* From = nullptr;
    char16_t* To = nullptr;
    Facet.in(Mode, Text.data(), Text.data() + Text.size(), From, &Out[0], &Out[0] + Out.size(), To);
    benchmark::DoNotOptimize(To);
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Text.size()));
}

// As TLMjavaStringToUtf8 does it with the characters the JVM lent.
void ourUtf16ToUtf8(benchmark::State& State, const std::string& Text) {
  const std::u16string Units = utf16Of(Text);
  for (auto _ : State) {
    COLstring Result;
    Result.reserve(static_cast<int>(Units.size() * 4 + 1));
    const TLMutf16* Source = reinterpret_cast<const TLMutf16*>(Units.data());
    TLMutf8* Start = reinterpret_cast<TLMutf8*>(Result.data());
    TLMutf8* Target = Start;
    utf16ToUtf8(&Source, Source + Units.size(), &Target, Start + Result.capacity() - 1, strictConversion);
    Result.resize(static_cast<int>(Target - Start));
    benchmark::DoNotOptimize(Result.c_str());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Text.size()));
}

void peerUtf16ToUtf8(benchmark::State& State, const std::string& Text) {
  const std::u16string Units = utf16Of(Text);
  const std::codecvt_utf8_utf16<char16_t> Facet;
  for (auto _ : State) {
    std::mbstate_t Mode{};
    std::string Out(Units.size() * 4, '\0');
    const char16_t* From = nullptr;
    char* To = nullptr;
    Facet.out(Mode, Units.data(), Units.data() + Units.size(), From, &Out[0], &Out[0] + Out.size(), To);
    benchmark::DoNotOptimize(To);
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Text.size()));
}

}  // namespace

int main(int argc, char** argv) {
  // Each direction, text and size: ours, then the peer, side by side in the report.
  struct Road {
    const char* name;
    void (*ours)(benchmark::State&, const std::string&);
    void (*peer)(benchmark::State&, const std::string&);
  } Roads[] = {{"utf8ToUtf16", ourUtf8ToUtf16, peerUtf8ToUtf16}, {"utf16ToUtf8", ourUtf16ToUtf8, peerUtf16ToUtf8}};
  for (const Road& R : Roads)
    for (const Sample& S : Samples)
      for (size_t Size : Sizes) {
        const std::string Name = std::string(R.name) + "/" + S.name + "/" + std::to_string(Size);
        const std::string Text = textOf(S.phrase, Size);
        benchmark::RegisterBenchmark((Name + "/ours").c_str(), R.ours, Text);
        benchmark::RegisterBenchmark((Name + "/stdFacet").c_str(), R.peer, Text);
      }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
