// Shared test helpers.
#include "tests/support/TESTsupport.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"

#include "COL/COLostream.h"
#include "platform/PLATwindows.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

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
  return TESTerrorFields{TESTtext(error.description()), error.code(), error.line(),
                         TESTtext(error.file())};
}

TESTerrorFields TESTerrnoError(const std::string& action, int error) {
  return TESTerrorFields{action + " " + TESTtext(COLstrerror(error)) + ".", error, 0, ""};
}

TESTerrorFields TESTwindowsError(const std::string& text, int code) {
  return TESTerrorFields{text + TESTtext(COLwindowsErrorText(code)), code, 0, ""};
}

std::ostream& operator<<(std::ostream& out, const TESTerrorFields& fields) {
  char code[16];
  snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(fields.code));
  return out << "{\"" << fields.description << "\", " << code << ", " << fields.line << ", \""
             << fields.file << "\"}";
}

namespace {
void setZone(const char* tz) {
  TESTsetEnvironment("TZ", tz);
  _tzset();
}
}  // namespace

TESTtimeZone::TESTtimeZone(const char* tz) : m_HadZone(getenv("TZ") != nullptr) {
  if (m_HadZone) m_Previous = getenv("TZ");
  setZone(tz);
}

TESTtimeZone::~TESTtimeZone() { setZone(m_HadZone ? m_Previous.c_str() : nullptr); }

long long TESTdaysFromCivil(long long year, unsigned month, unsigned day) {
  // Years counted from March, so that February's leap day ends the year.
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void TESTsetEnvironment(const std::string& name, const char* value) {
  std::string assignment = name + "=" + (value != nullptr ? value : "");  // "NAME=" removes it
  _putenv(assignment.c_str());
}

TESTtemporaryDirectory::TESTtemporaryDirectory() {
  static unsigned count = 0;
  std::filesystem::path base = std::filesystem::temp_directory_path();
  uint64_t stamp = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (;;) {
    char name[64];
    snprintf(name, sizeof name, "coltest-%llx-%u", static_cast<unsigned long long>(stamp), count++);
    std::filesystem::path candidate = base / name;
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate.string();
      return;
    }
  }
}

TESTtemporaryDirectory::~TESTtemporaryDirectory() {
  std::error_code ignored;
  // Tests may leave files read-only; give the owner its rights back so all can go.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

TESTprivateRegistryStore::TESTprivateRegistryStore() {
  if (TESTwindowsBuild) return;
  const char* before = getenv("PLAT_REGISTRY_DIR");
  hadBefore_ = before != nullptr;
  if (hadBefore_) before_ = before;
  TESTsetEnvironment("PLAT_REGISTRY_DIR", directory_.path().c_str());
}

TESTprivateRegistryStore::~TESTprivateRegistryStore() {
  if (TESTwindowsBuild) return;
  TESTsetEnvironment("PLAT_REGISTRY_DIR", hadBefore_ ? before_.c_str() : nullptr);
}

std::string TESTfileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void TESTwriteFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
}

namespace {
std::string backslashed(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}
}  // namespace

std::string TESTwindowsPath(const std::string& nativePath) {
  if (TESTwindowsBuild) return nativePath;
  return (!nativePath.empty() && nativePath[0] == '/' ? "Z:" : "") + backslashed(nativePath);
}

std::string TESTdriveZPath(const std::string& posixPath) { return "Z:" + backslashed(posixPath); }

std::string TESTbuildPath(const std::string& posixPath) { return TESTwindowsBuild ? "Z:" + posixPath : posixPath; }

TESTcurrentDirectory::TESTcurrentDirectory(const std::string& windowsPath) {
  char* here = _getcwd(nullptr, 0);
  if (here != nullptr) previous_ = here;
  free(here);
  EXPECT_EQ(_chdir(windowsPath.c_str()), 0) << windowsPath << ": " << strerror(errno);
}

TESTcurrentDirectory::~TESTcurrentDirectory() {
  if (!previous_.empty()) _chdir(previous_.c_str());
}

void TESTwriteWindowsFile(const std::string& windowsPath, const std::string& text) {
  FILE* file = PLATfopen(windowsPath.c_str(), "wb");
  ASSERT_NE(file, nullptr) << "cannot write " << windowsPath << ": " << strerror(errno);
  EXPECT_EQ(fwrite(text.data(), 1, text.size(), file), text.size()) << windowsPath;
  EXPECT_EQ(fclose(file), 0) << windowsPath;
}

std::string TESTreadWindowsFile(const std::string& windowsPath) {
  FILE* file = PLATfopen(windowsPath.c_str(), "rb");
  if (file == nullptr) {
    ADD_FAILURE() << "cannot read " << windowsPath << ": " << strerror(errno);
    return std::string();
  }
  std::string text;
  char block[4096];
  size_t got;
  while ((got = fread(block, 1, sizeof block, file)) > 0) text.append(block, got);
  fclose(file);
  return text;
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

void TESTcopyProgram(const std::string& utf8Path) {
  if (TESTwindowsBuild) {
    // Windows' own paths, through the wide calls of the standard library.
    const std::filesystem::path copy = std::filesystem::u8path(utf8Path);
    std::error_code error;
    std::filesystem::create_directories(copy.parent_path(), error);
    ASSERT_FALSE(error) << utf8Path << ": " << error.message();
    std::filesystem::copy_file(std::filesystem::u8path(TESTprogramPath()), copy, error);
    ASSERT_FALSE(error) << utf8Path << ": " << error.message();
  } else {
    // Our layer's code page is UTF-8: its ANSI calls take the path as it is.
    const std::string directory = utf8Path.substr(0, utf8Path.find_last_of('\\'));
    if (_access(directory.c_str(), 0) != 0) {
      ASSERT_EQ(_mkdir(directory.c_str()), 0) << directory;
    }
    ASSERT_TRUE(CopyFileA(TESTprogramPath().c_str(), utf8Path.c_str(), TRUE)) << utf8Path;
  }
}

std::wstring TESTwideOfUtf8(const std::string& utf8) {
  std::wstring wide;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
      point = (point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    if (point > 0xFFFF && sizeof(WCHAR) == 2) {
      point -= 0x10000;
      wide += static_cast<WCHAR>(0xD800 + (point >> 10));
      wide += static_cast<WCHAR>(0xDC00 + (point & 0x3FF));
    } else {
      wide += static_cast<WCHAR>(point);
    }
  }
  return wide;
}

std::string TESTutf8OfWide(const std::wstring& wide) {
  std::string utf8;
  for (size_t i = 0; i < wide.size(); ++i) {
    unsigned point = static_cast<unsigned>(wide[i]);
    if (point >= 0xD800 && point <= 0xDBFF && i + 1 < wide.size() && static_cast<unsigned>(wide[i + 1]) >= 0xDC00 &&
        static_cast<unsigned>(wide[i + 1]) <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (static_cast<unsigned>(wide[i + 1]) - 0xDC00);
      ++i;
    }
    if (point < 0x80) {
      utf8 += static_cast<char>(point);
    } else if (point < 0x800) {
      utf8 += static_cast<char>(0xC0 | (point >> 6));
      utf8 += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (point >> 12));
      utf8 += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (point & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (point >> 18));
      utf8 += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (point & 0x3F));
    }
  }
  return utf8;
}

bool TESTcodePageText(const std::string& utf8, std::string& text) {
  text.clear();
  const std::wstring wide = TESTwideOfUtf8(utf8);
  if (wide.empty()) return true;
  const int length = static_cast<int>(wide.size());
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  text.assign(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, &text[0], bytes, nullptr, nullptr);
  std::wstring back(wide.size() + 1, L'\0');
  int units = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, &back[0], static_cast<int>(back.size()));
  back.resize(units > 0 ? static_cast<size_t>(units) : 0);
  if (back == wide) return true;
  text.clear();
  return false;
}

TESTprogramRun TESTcaptureChildRole(const char* role) {
  std::vector<std::string> words{TESTprogramPath()};
  for (const std::string& word : TESTchildRole(role)) words.push_back(word);
  return TESTcaptureProgram(TESTprogramPath(), words);
}
