// COLdateTime's text next to the C library's: the long printed form against strftime of the
// nearest layout, format against strftime of the same directives, and parse against
// strptime of the same layout. The peers start from a ready tm; ours from the stored value.
#include "COL/COLdateTime.h"
#include "COL/COLostream.h"
#include "COL/COLstring.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>

namespace {

tm sampleTm() {
  tm fields;
  memset(&fields, 0, sizeof fields);
  fields.tm_year = 2014 - 1900;
  fields.tm_mon = 11;
  fields.tm_mday = 4;
  fields.tm_hour = 13;
  fields.tm_min = 6;
  fields.tm_sec = 51;
  fields.tm_wday = 4;
  fields.tm_yday = 337;
  return fields;
}

// Thursday, December 4th, 2014 @ 01:06:51 PM
void printCOLdateTime(benchmark::State& state) {
  const COLdateTime date(2014, 12, 4, 13, 6, 51);
  COLstring text;
  COLostream stream(text);
  for (auto _ : state) {
    text.clear();
    date.print(stream);
    benchmark::DoNotOptimize(text.c_str());
  }
}

// Thursday, December 04, 2014 @ 01:06:51 PM
void printStrftime(benchmark::State& state) {
  const tm fields = sampleTm();
  char text[128];
  for (auto _ : state) {
    benchmark::DoNotOptimize(strftime(text, sizeof text, "%A, %B %d, %Y @ %I:%M:%S %p", &fields));
    benchmark::ClobberMemory();
  }
}

void formatCOLdateTime(benchmark::State& state) {
  const COLdateTime date(2014, 12, 4, 13, 6, 51);
  for (auto _ : state) {
    COLstring text = date.format("%Y-%m-%d %H:%M:%S");
    benchmark::DoNotOptimize(text.c_str());
  }
}

void formatStrftime(benchmark::State& state) {
  const tm fields = sampleTm();
  char text[128];
  for (auto _ : state) {
    benchmark::DoNotOptimize(strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields));
    benchmark::ClobberMemory();
  }
}

void parseCOLdateTime(benchmark::State& state) {
  const COLstring text("04/12/2014 13:06:51");
  COLdateTime date;
  for (auto _ : state) {
    date.parse(text);
    benchmark::DoNotOptimize(date.value());
  }
}

void parseStrptime(benchmark::State& state) {
  const char* text = "04/12/2014 13:06:51";
  tm fields;
  for (auto _ : state) {
    memset(&fields, 0, sizeof fields);
    benchmark::DoNotOptimize(strptime(text, "%d/%m/%Y %H:%M:%S", &fields));
    benchmark::ClobberMemory();
  }
}

BENCHMARK(printCOLdateTime)->Name("datePrint/COLdateTime");
BENCHMARK(printStrftime)->Name("datePrint/strftime");
BENCHMARK(formatCOLdateTime)->Name("dateFormat/COLdateTime");
BENCHMARK(formatStrftime)->Name("dateFormat/strftime");
BENCHMARK(parseCOLdateTime)->Name("dateParse/COLdateTime");
BENCHMARK(parseStrptime)->Name("dateParse/strptime");

}  // namespace
