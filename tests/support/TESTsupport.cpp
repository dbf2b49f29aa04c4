// Shared test helpers.
#include "tests/support/TESTsupport.h"

#include "COL/COLostream.h"
#include "platform/PLATwindows.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <ostream>

std::string TESTrecordingSink::text() const {
  std::string all;
  for (const std::string& piece : writes) all += piece;
  return all;
}

std::string TESTexactly(const std::string& text) {
  std::string pattern;
  for (char c : text) {
    if (strchr("\\^$.|?*+()[]{}", c) != nullptr) pattern += '\\';
#if GTEST_USES_SIMPLE_RE
    if (c == '\n') {
      pattern += "\\n";
      continue;
    }
#endif
    pattern += c;
  }
  return pattern;
}

void TESTstandardOutputToStandardError() {
  fflush(stdout);
  COLstandardOutput.set_sink(new COLsinkFileHandle(stderr), true);
}

std::string TESTtext(const COLstring& text) { return std::string(text.c_str(), text.size()); }

TESTerrorFields TESTfieldsOf(const COLerror& error) {
  return TESTerrorFields{TESTtext(error.description()), error.code(), TESTtext(error.file()),
                         error.line()};
}

std::ostream& operator<<(std::ostream& out, const TESTerrorFields& fields) {
  char code[16];
  snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(fields.code));
  return out << "{\"" << fields.description << "\", " << code << ", \"" << fields.file << "\", "
             << fields.line << "}";
}

bool TESTlayerBuild() { return TEST_LAYER_BUILD != 0; }

TESTtemporaryDirectory::TESTtemporaryDirectory() {
  char temporary[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof temporary, temporary);
  if (length == 0 || length >= sizeof temporary) {
    ADD_FAILURE() << "GetTempPathA failed: " << GetLastError();
    return;
  }
  static unsigned count = 0;
  for (int tries = 0; tries < 1000; ++tries) {
    char name[64];
    snprintf(name, sizeof name, "coltest-%u-%lx-%x", count++, static_cast<unsigned long>(time(nullptr)),
             static_cast<unsigned>(clock()) ^ static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)));
    std::string candidate = std::string(temporary, length) + name;
    if (_mkdir(candidate.c_str()) == 0) {
      m_Path = candidate;
      return;
    }
    if (errno != EEXIST) break;
  }
  ADD_FAILURE() << "cannot make a temporary directory in " << temporary;
}

TESTtemporaryDirectory::~TESTtemporaryDirectory() {
  if (!m_Previous.empty()) _chdir(m_Previous.c_str());
  if (!m_Path.empty()) TESTremoveTree(m_Path);
}

void TESTtemporaryDirectory::enter() {
  char here[4096];
  if (m_Previous.empty() && _getcwd(here, sizeof here) != nullptr) m_Previous = here;
  EXPECT_EQ(_chdir(m_Path.c_str()), 0) << m_Path;
}

void TESTremoveTree(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string entry = path + "\\" + name;
      _chmod(entry.c_str(), _S_IREAD | _S_IWRITE);
      const DWORD attributes = data.dwFileAttributes;
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        TESTremoveTree(entry);
      else
        PLATremove(entry.c_str());
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  _chmod(path.c_str(), _S_IREAD | _S_IWRITE);
  _rmdir(path.c_str());
}

void TESTwriteFile(const std::string& path, const std::string& contents) {
  FILE* file = PLATfopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << "cannot write " << path << ": " << strerror(errno);
  EXPECT_EQ(fwrite(contents.data(), 1, contents.size(), file), contents.size()) << path;
  EXPECT_EQ(fclose(file), 0) << path;
}

std::string TESTreadFile(const std::string& path) {
  FILE* file = PLATfopen(path.c_str(), "rb");
  if (file == nullptr) {
    ADD_FAILURE() << "cannot read " << path << ": " << strerror(errno);
    return std::string();
  }
  std::string contents;
  char block[4096];
  size_t got;
  while ((got = fread(block, 1, sizeof block, file)) > 0) contents.append(block, got);
  fclose(file);
  return contents;
}

int TESTrunProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<const char*> argv;
  argv.push_back(program.c_str());
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  fflush(stdout);
  fflush(stderr);
  return static_cast<int>(_spawnv(_P_WAIT, program.c_str(), argv.data()));
}

std::string TESTprogramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}
