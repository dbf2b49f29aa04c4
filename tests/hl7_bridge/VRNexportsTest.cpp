// vrn_java's symbol table holds exactly the natives of its table: read from the library
// file itself (ELF natively, PE in the Windows build), so nothing of the libraries linked
// into it, nor a native that the table lacks, can slip out unseen.
//
// The expected names come from the same table that generated the exports, which is
// enough here: what this test guards is the step from the table to the library file (the
// shapes' macros, the linker's export list), and the table itself is checked against an
// independent list elsewhere, the Java classes' own native declarations, by the JVM
// suites (EngineSuite, DataSuite, LlpSuite: every declared native is a line of the table
// with its signature, and every line is declared). The Windows build has the same table.

#include "tests/support/TESTvrnNatives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

uint64_t read(const std::string& file, size_t at, int bytes) {
  if (at + size_t(bytes) > file.size()) throw std::runtime_error("truncated library file");
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(file[at + size_t(i)]);
  return value;
}

std::string text_at(const std::string& file, size_t at) {
  if (at >= file.size()) throw std::runtime_error("name outside the file");
  return std::string(file.c_str() + at);
}

// The defined global symbols of an ELF64 library's dynamic symbol table.
std::set<std::string> elf_exports(const std::string& file) {
  std::set<std::string> names;
  size_t sections = read(file, 0x28, 8), entry = read(file, 0x3A, 2), count = read(file, 0x3C, 2);
  for (size_t i = 0; i < count; ++i) {
    size_t header = sections + i * entry;
    if (read(file, header + 4, 4) != 11) continue;  // SHT_DYNSYM
    size_t symbols = read(file, header + 0x18, 8), size = read(file, header + 0x20, 8);
    size_t strings = read(file, sections + read(file, header + 0x28, 4) * entry + 0x18, 8);
    for (size_t symbol = symbols; symbol + 24 <= symbols + size; symbol += 24) {
      unsigned binding = unsigned(read(file, symbol + 4, 1)) >> 4;
      bool defined = read(file, symbol + 6, 2) != 0;
      if (defined && (binding == 1 || binding == 2))
        names.insert(text_at(file, strings + read(file, symbol, 4)));
    }
  }
  return names;
}

// The names of a PE32+ library's export directory.
std::set<std::string> pe_exports(const std::string& file) {
  size_t pe = read(file, 0x3C, 4);
  size_t sectionCount = read(file, pe + 6, 2), optionalSize = read(file, pe + 20, 2);
  size_t optional = pe + 24;
  EXPECT_EQ(0x20Bu, read(file, optional, 2)) << "not a 64-bit library";
  size_t exportRva = read(file, optional + 112, 4);
  size_t table = optional + optionalSize;
  auto offset = [&](size_t rva) -> size_t {
    for (size_t s = 0; s < sectionCount; ++s) {
      size_t header = table + s * 40;
      size_t address = read(file, header + 12, 4);
      size_t length = std::max(read(file, header + 8, 4), read(file, header + 16, 4));
      if (rva >= address && rva < address + length) return rva - address + read(file, header + 20, 4);
    }
    throw std::runtime_error("address outside every section");
  };
  std::set<std::string> names;
  if (exportRva == 0) return names;
  size_t directory = offset(exportRva);
  size_t count = read(file, directory + 24, 4), namesAt = offset(read(file, directory + 32, 4));
  for (size_t i = 0; i < count; ++i) names.insert(text_at(file, offset(read(file, namesAt + 4 * i, 4))));
  return names;
}

TEST(VRNexports, AreExactlyTheNativesOfTheTable) {
  std::ifstream in(TESTvrnJavaLibrary(), std::ios::binary);
  ASSERT_TRUE(in.good()) << TESTvrnJavaLibrary();
  std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(file.size(), 64u);
  std::set<std::string> exported = file.compare(0, 4, "\x7f" "ELF") == 0 ? elf_exports(file) : pe_exports(file);
  std::set<std::string> expected;
#define VRN_NATIVE_LINE(Class, Method, Shape, Function, Variable, Name) \
  expected.insert("Java_com_olvenmark_varnel_" #Class "_" #Method);
#include "contracts/VRNnatives.def"
  EXPECT_EQ(expected, exported);
}

}  // namespace
