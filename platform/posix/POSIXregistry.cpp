// The registry of the layer: hive files in the store directory, their text form, the
// handle table, and the Reg... functions over them.
#include "platform/PLATwindows.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------------------
// Names

const size_t MaxKeyNameLength = 255;
const size_t MaxValueNameLength = 16383;
// As on Windows, a key lies at most 512 levels below its root key. The bound also keeps
// every walk over the tree short, whatever a hive file holds.
const size_t MaxKeyDepth = 512;

// Case folding of ANSI text read as Latin-1: ASCII and the Latin-1 letters.
unsigned char folded(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  return c;
}

int compareNames(const std::string& a, const std::string& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = folded(static_cast<unsigned char>(a[i]));
    unsigned char y = folded(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && compareNames(a, b) == 0;
}

bool hasControlCharacter(const std::string& name) {
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

bool isStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// ---------------------------------------------------------------------------------------
// The tree of one hive

struct Value {
  std::string name;
  DWORD type;
  std::string data;
};

struct Key {
  std::string name;
  std::vector<Value> values;                 // in creation order
  std::vector<std::unique_ptr<Key>> subkeys;  // in the order of their folded names

  Key() = default;
  Key(Key&&) = default;
  Key& operator=(Key&&) = default;
  // Takes the tree apart from a list of its own, so the depth of the tree never becomes
  // the depth of the stack.
  ~Key() {
    std::vector<std::unique_ptr<Key>> pending = std::move(subkeys);
    while (!pending.empty()) {
      std::unique_ptr<Key> key = std::move(pending.back());
      pending.pop_back();
      for (auto& sub : key->subkeys) pending.push_back(std::move(sub));
      key->subkeys.clear();
    }
  }

  Key* subkey(const std::string& wanted) const {
    for (const auto& sub : subkeys)
      if (sameName(sub->name, wanted)) return sub.get();
    return nullptr;
  }
  Key* addSubkey(const std::string& newName) {
    auto place = subkeys.begin();
    while (place != subkeys.end() && compareNames((*place)->name, newName) < 0) ++place;
    auto made = std::make_unique<Key>();
    made->name = newName;
    return subkeys.insert(place, std::move(made))->get();
  }
  Value* value(const std::string& wanted) {
    for (Value& v : values)
      if (sameName(v.name, wanted)) return &v;
    return nullptr;
  }
};

typedef std::vector<std::string> KeyPath;

Key* walk(Key& root, const KeyPath& path) {
  Key* key = &root;
  for (const std::string& name : path) {
    key = key->subkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

// Splits a subkey path into its names. A leading backslash is refused as Windows does;
// empty components are skipped.
LONG splitPath(const char* text, KeyPath& path) {
  path.clear();
  if (text == nullptr) return ERROR_SUCCESS;
  if (text[0] == '\\') return ERROR_BAD_PATHNAME;
  std::string name;
  for (const char* p = text;; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (name.size() > MaxKeyNameLength) return ERROR_INVALID_PARAMETER;
      if (!name.empty()) path.push_back(name);
      name.clear();
      if (*p == '\0') break;
    } else {
      name += *p;
    }
  }
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------------------
// The predefined keys and their hives

struct Root {
  HKEY handle;
  const char* name;
};

const Root Roots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};
const int RootCount = sizeof Roots / sizeof Roots[0];

int rootIndexOf(HKEY handle) {
  for (int i = 0; i < RootCount; ++i)
    if (Roots[i].handle == handle) return i;
  return -1;
}

void putText(Key& key, const char* name, DWORD type, const char* text) {
  key.values.push_back(Value{name, type, std::string(text, strlen(text) + 1)});
}

Key* makePath(Key& root, const KeyPath& path) {
  Key* key = &root;
  for (const std::string& name : path) {
    Key* sub = key->subkey(name);
    key = sub != nullptr ? sub : key->addSubkey(name);
  }
  return key;
}

// What a fresh Windows installation has that the system relies on.
void freshContent(int root, Key& tree) {
  tree.name = Roots[root].name;
  if (Roots[root].handle == HKEY_LOCAL_MACHINE) {
    makePath(tree, {"SOFTWARE"});
    Key* environment =
        makePath(tree, {"SYSTEM", "CurrentControlSet", "Control", "Session Manager", "Environment"});
    putText(*environment, "Path", REG_EXPAND_SZ,
            "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem");
  } else if (Roots[root].handle == HKEY_CURRENT_USER) {
    makePath(tree, {"Software"});
    Key* environment = makePath(tree, {"Environment"});
    putText(*environment, "Path", REG_EXPAND_SZ, "%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps");
  }
}

// ---------------------------------------------------------------------------------------
// The text form of a hive

const char* const FileSignature = "REGEDIT4";

void putQuoted(std::string& out, const std::string& text) {
  static const char Hex[] = "0123456789abcdef";
  out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += Hex[c >> 4];
      out += Hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

// True when the data is a text with its one terminator and no other NUL, which the
// quoted form holds.
bool isTerminatedText(const std::string& data) {
  return !data.empty() && data.find('\0') == data.size() - 1;
}

// True when the data is also one line of text that reads as itself.
bool isPlainText(const std::string& data) {
  if (data.empty() || data.back() != '\0') return false;
  for (size_t i = 0; i + 1 < data.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

void putHexBytes(std::string& out, const std::string& data, size_t column) {
  static const char Hex[] = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    if (i > 0) {
      out += ',';
      ++column;
      if (column > 76) {  // continue on the next line, as the export form does
        out += "\\\n  ";
        column = 2;
      }
    }
    unsigned char c = static_cast<unsigned char>(data[i]);
    out += Hex[c >> 4];
    out += Hex[c & 15];
    column += 2;
  }
}

void putValue(std::string& out, const Value& value) {
  // An expandable text is stored in hex, as the export form has it; the comment above
  // it lets a person read it (the parser skips comments).
  if (value.type == REG_EXPAND_SZ && isPlainText(value.data)) {
    out += "; ";
    if (value.name.empty())
      out += '@';
    else
      putQuoted(out, value.name);
    out += " reads ";
    out.append(value.data, 0, value.data.size() - 1);
    out += '\n';
  }
  size_t start = out.size();
  if (value.name.empty())
    out += '@';
  else
    putQuoted(out, value.name);
  out += '=';
  if (value.type == REG_SZ && isTerminatedText(value.data)) {
    putQuoted(out, value.data.substr(0, value.data.size() - 1));
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    DWORD number;
    memcpy(&number, value.data.data(), 4);
    char text[16];
    snprintf(text, sizeof text, "dword:%08x", number);
    out += text;
  } else {
    char text[24];
    if (value.type == REG_BINARY)
      snprintf(text, sizeof text, "hex:");
    else
      snprintf(text, sizeof text, "hex(%x):", value.type);
    out += text;
    putHexBytes(out, value.data, out.size() - start);
  }
  out += '\n';
}

// The keys in depth-first order, each section headed by its full path. A key with
// subkeys and no values gets no section of its own: the sections below it make it, and
// leaving it out keeps a deep chain of keys from writing its path once per level.
std::string formatHive(const Key& root) {
  std::string out = FileSignature;
  out += "\n; Registry hive ";
  out += root.name;
  out += ". Names compare without case; every change rewrites the whole file.\n";
  struct Visit {
    const Key* key;
    size_t pathLength;  // of the parent's path, which path holds while below it
  };
  std::vector<Visit> pending{{&root, 0}};
  std::string path;
  while (!pending.empty()) {
    Visit visit = pending.back();
    pending.pop_back();
    path.resize(visit.pathLength);
    if (visit.key != &root) path += '\\';
    path += visit.key->name;
    if (!visit.key->values.empty() || visit.key->subkeys.empty()) {
      out += "\n[";
      out += path;
      out += "]\n";
      for (const Value& value : visit.key->values) putValue(out, value);
    }
    for (auto sub = visit.key->subkeys.rbegin(); sub != visit.key->subkeys.rend(); ++sub)
      pending.push_back(Visit{sub->get(), path.size()});
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text at p (which is at the opening quote); p ends after the closing one.
bool parseQuoted(const std::string& line, size_t& p, std::string& text) {
  if (p >= line.size() || line[p] != '"') return false;
  text.clear();
  for (++p; p < line.size(); ++p) {
    char c = line[p];
    if (c == '"') {
      ++p;
      return true;
    }
    if (c != '\\') {
      text += c;
      continue;
    }
    if (++p >= line.size()) return false;
    c = line[p];
    if (c == '\\' || c == '"') {
      text += c;
    } else if (c == 'x' && p + 2 < line.size() && hexDigit(line[p + 1]) >= 0 && hexDigit(line[p + 2]) >= 0) {
      text += static_cast<char>(hexDigit(line[p + 1]) * 16 + hexDigit(line[p + 2]));
      p += 2;
    } else {
      return false;
    }
  }
  return false;
}

bool parseHexBytes(const std::string& text, std::string& data) {
  data.clear();
  size_t p = 0;
  while (p < text.size() && text[p] == ' ') ++p;
  if (p == text.size()) return true;
  for (;;) {
    if (p + 2 > text.size() || hexDigit(text[p]) < 0 || hexDigit(text[p + 1]) < 0) return false;
    data += static_cast<char>(hexDigit(text[p]) * 16 + hexDigit(text[p + 1]));
    p += 2;
    if (p == text.size()) return true;
    if (text[p] != ',') return false;
    ++p;
  }
}

bool parseData(const std::string& text, Value& value) {
  if (!text.empty() && text[0] == '"') {
    size_t p = 0;
    if (!parseQuoted(text, p, value.data) || p != text.size()) return false;
    value.data += '\0';
    value.type = REG_SZ;
    return true;
  }
  if (text.compare(0, 6, "dword:") == 0) {
    if (text.size() != 14) return false;
    DWORD number = 0;
    for (size_t i = 6; i < 14; ++i) {
      int digit = hexDigit(text[i]);
      if (digit < 0) return false;
      number = number * 16 + static_cast<DWORD>(digit);
    }
    value.type = REG_DWORD;
    value.data.assign(reinterpret_cast<const char*>(&number), 4);
    return true;
  }
  size_t bytes;
  if (text.compare(0, 4, "hex:") == 0) {
    value.type = REG_BINARY;
    bytes = 4;
  } else if (text.compare(0, 4, "hex(") == 0) {
    size_t close = text.find("):", 4);
    if (close == std::string::npos || close == 4 || close > 12) return false;
    DWORD type = 0;
    for (size_t i = 4; i < close; ++i) {
      int digit = hexDigit(text[i]);
      if (digit < 0) return false;
      type = type * 16 + static_cast<DWORD>(digit);
    }
    value.type = type;
    bytes = close + 2;
  } else {
    return false;
  }
  return parseHexBytes(text.substr(bytes), value.data);
}

// Parses a whole hive file; false when anything in it is not what formatHive writes
// (comments and blank lines aside), so a damaged file is never taken for a smaller hive.
bool parseHive(const std::string& text, const char* rootName, Key& root) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  if (lines.empty() || lines[0] != FileSignature) return false;
  root = Key();
  root.name = rootName;
  std::set<const Key*> seen;
  Key* current = nullptr;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return false;
      KeyPath path;
      std::string inner = line.substr(1, line.size() - 2), name;
      for (size_t p = 0;; ++p) {
        if (p == inner.size() || inner[p] == '\\') {
          if (name.empty() || name.size() > MaxKeyNameLength || hasControlCharacter(name)) return false;
          if (path.size() > MaxKeyDepth) return false;  // the root's name comes first
          path.push_back(name);
          name.clear();
          if (p == inner.size()) break;
        } else {
          name += inner[p];
        }
      }
      if (!sameName(path[0], rootName)) return false;
      path.erase(path.begin());
      current = makePath(root, path);
      if (!seen.insert(current).second) return false;
      continue;
    }
    if (current == nullptr) return false;
    while (line.back() == '\\' && i + 1 < lines.size()) {  // a continued hex list
      line.pop_back();
      const std::string& next = lines[++i];
      size_t indent = next.find_first_not_of(' ');
      line += indent == std::string::npos ? std::string() : next.substr(indent);
    }
    Value value;
    size_t p = 0;
    if (line[0] == '@') {
      p = 1;
    } else if (!parseQuoted(line, p, value.name) || value.name.empty() ||
               value.name.size() > MaxValueNameLength) {
      return false;
    }
    if (p >= line.size() || line[p] != '=') return false;
    if (!parseData(line.substr(p + 1), value)) return false;
    if (current->value(value.name) != nullptr) return false;
    current->values.push_back(value);
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Hive files

std::string storeDirectory() {
  const char* chosen = getenv("PLAT_REGISTRY_DIR");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  const char* data = getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/olvenmark-registry";
  std::string home;
  if (const char* variable = getenv("HOME")) home = variable;
  if (home.empty()) {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
      home = found->pw_dir;
  }
  if (home.empty()) return std::string();
  return home + "/.local/share/olvenmark-registry";
}

LONG makeDirectories(const std::string& path) {
  for (size_t slash = 1;; ++slash) {
    slash = path.find('/', slash);
    std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return POSIXerrorFromErrno(errno);
    if (slash == std::string::npos) return ERROR_SUCCESS;
  }
}

bool inGroup(gid_t group) {
  if (getegid() == group) return true;
  int count = getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  count = getgroups(count, groups.data());
  for (int i = 0; i < count; ++i)
    if (groups[static_cast<size_t>(i)] == group) return true;
  return false;
}

// The permission bits that apply to this process, read (4) and write (2), decided as the
// kernel would but without root's exemption: they are the hive's security.
int permittedBits(const struct stat& status) {
  unsigned shift = status.st_uid == geteuid() ? 6 : inGroup(status.st_gid) ? 3 : 0;
  return static_cast<int>((status.st_mode >> shift) & 7);
}

struct HiveFile {
  Key tree;
  bool readable = true;
  bool writable = true;
  bool exists = false;
  struct stat status = {};
};

class Descriptor {
public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

private:
  int fd_;
};

struct Location {
  std::string directory;
  std::string file;
  std::string lock;
};

LONG locate(int root, Location& where) {
  where.directory = storeDirectory();
  if (where.directory.empty()) return ERROR_PATH_NOT_FOUND;
  where.file = where.directory + "/" + Roots[root].name + ".reg";
  where.lock = where.directory + "/" + Roots[root].name + ".lock";
  return ERROR_SUCCESS;
}

// Reads and parses the hive file; a missing one gives the fresh content (exists false).
// Anything but a regular file (a FIFO, a device, a socket, a directory) is no hive: it is
// reported as a damaged one, and never opened in a way that could wait for a writer.
LONG readHiveFile(int root, const Location& where, HiveFile& hive) {
  struct stat found;
  if (stat(where.file.c_str(), &found) == 0 && !S_ISREG(found.st_mode)) return ERROR_REGISTRY_CORRUPT;
  Descriptor fd(open(where.file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENXIO) return ERROR_REGISTRY_CORRUPT;  // a socket, put there since the stat
    if (errno != ENOENT) return POSIXerrorFromErrno(errno);
    hive = HiveFile();
    freshContent(root, hive.tree);
    return ERROR_SUCCESS;
  }
  hive.exists = true;
  if (fstat(fd.get(), &hive.status) != 0) return ERROR_REGISTRY_IO_FAILED;
  if (!S_ISREG(hive.status.st_mode)) return ERROR_REGISTRY_CORRUPT;
  int bits = permittedBits(hive.status);
  hive.readable = (bits & 4) != 0;
  hive.writable = (bits & 2) != 0;
  if (!hive.readable) return ERROR_ACCESS_DENIED;
  std::string text;
  char buffer[65536];
  for (;;) {
    ssize_t got = read(fd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ERROR_REGISTRY_IO_FAILED;
    if (got == 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  if (!parseHive(text, Roots[root].name, hive.tree)) return ERROR_REGISTRY_CORRUPT;
  return ERROR_SUCCESS;
}

LONG writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return POSIXerrorFromErrno(errno);
    done += static_cast<size_t>(put);
  }
  return ERROR_SUCCESS;
}

std::atomic<unsigned> TemporaryCount{0};

std::string directoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The file that a change of the hive replaces: the hive file itself, or, when that is a
// symbolic link, the file the links lead to (which need not exist yet), so that a change
// goes where the link points and the link stays.
LONG replacedFile(const std::string& file, std::string& target) {
  target = file;
  for (int hops = 0; hops < 40; ++hops) {  // the kernel's own bound on a chain of links
    struct stat status;
    if (lstat(target.c_str(), &status) != 0) return errno == ENOENT ? LONG(ERROR_SUCCESS) : POSIXerrorFromErrno(errno);
    if (!S_ISLNK(status.st_mode)) return ERROR_SUCCESS;
    std::string link(static_cast<size_t>(status.st_size) + 256, '\0');
    ssize_t length = readlink(target.c_str(), &link[0], link.size());
    if (length < 0) return POSIXerrorFromErrno(errno);
    if (static_cast<size_t>(length) == link.size()) continue;  // it changed meanwhile: read it again
    link.resize(static_cast<size_t>(length));
    target = link[0] == '/' ? link : directoryOf(target) + "/" + link;
  }
  return ERROR_CANT_RESOLVE_FILENAME;
}

// A temporary file is named "<hive file>.<writer's pid>.<count>.new". Writers make and
// rename theirs under the hive's lock, so one that is found under the lock belongs to a
// writer that was stopped on the way; it is removed once that writer no longer runs (a
// live process of the same pid, such as a later one that got the number again, keeps
// its file until it is gone, which is safe and rare).
void removeLeftTemporaries(const std::string& target) {
  std::string directory = directoryOf(target);
  std::string prefix = target.substr(target.rfind('/') + 1) + ".";
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    const char* name = entry->d_name;
    if (strncmp(name, prefix.c_str(), prefix.size()) != 0) continue;
    const char* p = name + prefix.size();
    long pid = 0;
    bool digits = false;
    for (; *p >= '0' && *p <= '9' && pid < 1L << 30; ++p, digits = true) pid = pid * 10 + (*p - '0');
    if (!digits || *p++ != '.') continue;
    for (digits = false; *p >= '0' && *p <= '9'; ++p) digits = true;
    if (!digits || strcmp(p, ".new") != 0) continue;
    bool gone = pid == static_cast<long>(getpid()) || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
    if (gone) unlinkat(dirfd(listing), name, 0);
  }
  closedir(listing);
}

// Replaces the hive file by the tree's text: a new file beside it, flushed, then renamed
// over the old one, which keeps its permission bits (and its owner, where allowed). Runs
// under the hive's lock.
LONG writeHiveFile(const Location& where, const HiveFile& hive) {
  std::string text = formatHive(hive.tree);
  std::string target;
  LONG found = replacedFile(where.file, target);
  if (found != ERROR_SUCCESS) return found;
  removeLeftTemporaries(target);
  std::string temporary;
  int raw = -1;
  for (int attempt = 0; raw < 0 && attempt < 100; ++attempt) {
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".%ld.%u.new", static_cast<long>(getpid()), TemporaryCount++);
    temporary = target + suffix;
    raw = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) return POSIXerrorFromErrno(errno);
  }
  if (raw < 0) return ERROR_CANTWRITE;
  Descriptor fd(raw);
  LONG status = writeAll(fd.get(), text);
  if (status == ERROR_SUCCESS && hive.exists) {
    if (fchmod(fd.get(), hive.status.st_mode & 07777) != 0) status = POSIXerrorFromErrno(errno);
    if (hive.status.st_uid != geteuid() || hive.status.st_gid != getegid()) {
      if (fchown(fd.get(), hive.status.st_uid, hive.status.st_gid) != 0) {
        // Not ours to give away: the file stays ours, with the same bits.
      }
    }
  }
  if (status == ERROR_SUCCESS && fsync(fd.get()) != 0) status = POSIXerrorFromErrno(errno);
  if (status == ERROR_SUCCESS && rename(temporary.c_str(), target.c_str()) != 0)
    status = POSIXerrorFromErrno(errno);
  if (status != ERROR_SUCCESS) {
    unlink(temporary.c_str());
    return status;
  }
  // The rename is only lasting once the directory is on disk; the change has happened
  // either way, so a failure here is not reported as a failed change.
  Descriptor directory(open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) fsync(directory.get());
  return ERROR_SUCCESS;
}

class ExclusiveLock {
public:
  LONG take(const Location& where) {
    LONG status = makeDirectories(where.directory);
    if (status != ERROR_SUCCESS) return status;
    fd_ = open(where.lock.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd_ < 0) return POSIXerrorFromErrno(errno);
    while (flock(fd_, LOCK_EX) != 0)
      if (errno != EINTR) return POSIXerrorFromErrno(errno);
    return ERROR_SUCCESS;
  }
  ~ExclusiveLock() {
    if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
  }

private:
  int fd_ = -1;
};

// Gives the use the hive as it is now. A hive used for the first time gets its file,
// under the lock. Where the store may not be written, the fresh content is read as it
// is, for reading only; where writing failed for another reason (a full disk), the hive
// stays writable, so that a change meets that reason itself and reports it.
LONG readHive(int root, const std::function<LONG(HiveFile&)>& use) {
  Location where;
  LONG status = locate(root, where);
  if (status != ERROR_SUCCESS) return status;
  HiveFile hive;
  status = readHiveFile(root, where, hive);
  if (status != ERROR_SUCCESS) return status;
  if (!hive.exists) {
    ExclusiveLock lock;
    LONG made = lock.take(where);
    if (made == ERROR_SUCCESS) {
      status = readHiveFile(root, where, hive);
      if (status != ERROR_SUCCESS) return status;
      if (!hive.exists) made = writeHiveFile(where, hive);
      if (!hive.exists && made == ERROR_SUCCESS) {
        status = readHiveFile(root, where, hive);
        if (status != ERROR_SUCCESS) return status;
      }
    }
    if (!hive.exists && made == ERROR_ACCESS_DENIED) hive.writable = false;
  }
  return use(hive);
}

// Runs the change on the hive as reread under the exclusive lock and writes the result
// when the change reports that it changed something. The change sees the hive's rights
// and refuses what they do not allow.
LONG changeHive(int root, const std::function<LONG(HiveFile&, bool& changed)>& change) {
  Location where;
  LONG status = locate(root, where);
  if (status != ERROR_SUCCESS) return status;
  ExclusiveLock lock;
  status = lock.take(where);
  if (status != ERROR_SUCCESS) return status;
  HiveFile hive;
  status = readHiveFile(root, where, hive);
  if (status != ERROR_SUCCESS) return status;
  bool changed = false;
  status = change(hive, changed);
  if (status != ERROR_SUCCESS || !changed) return status;
  return writeHiveFile(where, hive);
}

// ---------------------------------------------------------------------------------------
// Handles

const REGSAM ReadRights = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | 0x00020000;
const REGSAM WriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x00010000 |
                           0x00040000 | 0x00080000;  // DELETE, WRITE_DAC, WRITE_OWNER

struct OpenKey {
  int root;
  KeyPath path;
  REGSAM granted;
};

std::mutex HandlesLock;
std::map<uintptr_t, OpenKey>& handles() {
  static std::map<uintptr_t, OpenKey>* table = new std::map<uintptr_t, OpenKey>;
  return *table;
}
uintptr_t NextHandle = 0x1000;

LONG resolve(HKEY handle, OpenKey& key) {
  int root = rootIndexOf(handle);
  if (root >= 0) {
    key = OpenKey{root, KeyPath(), KEY_ALL_ACCESS};
    return ERROR_SUCCESS;
  }
  std::lock_guard<std::mutex> guard(HandlesLock);
  auto found = handles().find(reinterpret_cast<uintptr_t>(handle));
  if (found == handles().end()) return ERROR_INVALID_HANDLE;
  key = found->second;
  return ERROR_SUCCESS;
}

HKEY addHandle(const OpenKey& key) {
  std::lock_guard<std::mutex> guard(HandlesLock);
  uintptr_t value = NextHandle;
  NextHandle += 4;  // never reused, so a stale handle stays invalid
  handles()[value] = key;
  return reinterpret_cast<HKEY>(value);
}

// The rights a new handle gets: the generic rights mapped to the key's, and
// MAXIMUM_ALLOWED as much as the hive allows; write rights need a writable hive.
LONG grant(REGSAM desired, const HiveFile& hive, REGSAM& granted) {
  granted = desired & ~static_cast<REGSAM>(MAXIMUM_ALLOWED | 0xF0000000 | KEY_WOW64_64KEY | KEY_WOW64_32KEY);
  if (desired & 0x80000000) granted |= KEY_READ;       // GENERIC_READ
  if (desired & 0x40000000) granted |= KEY_WRITE;      // GENERIC_WRITE
  if (desired & 0x20000000) granted |= KEY_EXECUTE;    // GENERIC_EXECUTE
  if (desired & 0x10000000) granted |= KEY_ALL_ACCESS; // GENERIC_ALL
  if ((granted & WriteRights) && !hive.writable) return ERROR_ACCESS_DENIED;
  if (desired & MAXIMUM_ALLOWED) granted |= hive.writable ? KEY_ALL_ACCESS : KEY_READ;
  return ERROR_SUCCESS;
}

// Opens the subkey below an open key. In a hive that stays the same from the check to
// the open, so the tree is the one the caller has just read.
LONG openBelow(const OpenKey& base, const KeyPath& path, REGSAM desired, HiveFile& hive,
               OpenKey& opened) {
  Key* key = walk(hive.tree, base.path);
  if (key == nullptr) return ERROR_KEY_DELETED;
  opened = OpenKey{base.root, base.path, 0};
  for (const std::string& name : path) {
    key = key->subkey(name);
    if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    opened.path.push_back(key->name);
  }
  return grant(desired, hive, opened.granted);
}

LONG copyValue(const Value& value, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (type != nullptr) *type = value.type;
  DWORD length = static_cast<DWORD>(value.data.size());
  if (data != nullptr) {
    if (length > *size) {
      *size = length;
      return ERROR_MORE_DATA;
    }
    memcpy(data, value.data.data(), length);
    // Windows ends an unterminated string where the buffer has room for it.
    if (isStringType(value.type) && length < *size && (length == 0 || data[length - 1] != 0))
      data[length] = 0;
  }
  if (size != nullptr) *size = length;
  return ERROR_SUCCESS;
}

}  // namespace

LONG POSIXstoreSubdirectory(const char* name, char* path, size_t size) {
  std::string directory = storeDirectory();
  if (directory.empty()) return ERROR_PATH_NOT_FOUND;
  directory += '/';
  directory += name;
  if (directory.size() + 1 > size) return ERROR_FILENAME_EXCED_RANGE;
  LONG status = makeDirectories(directory);
  if (status != ERROR_SUCCESS) return status;
  memcpy(path, directory.c_str(), directory.size() + 1);
  return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (options & ~static_cast<DWORD>(REG_OPTION_OPEN_LINK)) return ERROR_INVALID_PARAMETER;
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  KeyPath path;
  status = splitPath(subKey, path);
  if (status != ERROR_SUCCESS) return status;
  OpenKey opened;
  status = readHive(base.root, [&](HiveFile& hive) -> LONG { return openBelow(base, path, desired, hive, opened); });
  if (status != ERROR_SUCCESS) return status;
  *result = addHandle(opened);
  return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  if (subKey == nullptr || *subKey == '\0') {
    OpenKey base;
    LONG status = resolve(key, base);
    if (status != ERROR_SUCCESS) return status;
    *result = key;
    return ERROR_SUCCESS;
  }
  return RegOpenKeyExA(key, subKey, 0, MAXIMUM_ALLOWED, result);
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD options,
                        REGSAM desired, const LPSECURITY_ATTRIBUTES, PHKEY result,
                        LPDWORD disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (subKey == nullptr || reserved != 0) return ERROR_INVALID_PARAMETER;
  if (options & (REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK | REG_OPTION_BACKUP_RESTORE))
    return ERROR_NOT_SUPPORTED;
  if (options & ~static_cast<DWORD>(REG_OPTION_OPEN_LINK)) return ERROR_INVALID_PARAMETER;
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  KeyPath path;
  status = splitPath(subKey, path);
  if (status != ERROR_SUCCESS) return status;
  for (const std::string& name : path)
    if (hasControlCharacter(name)) return ERROR_INVALID_PARAMETER;
  if (base.path.size() + path.size() > MaxKeyDepth) return ERROR_INVALID_PARAMETER;

  // An existing key is only opened, which needs no lock and no right to write the hive.
  OpenKey opened;
  status = readHive(base.root, [&](HiveFile& hive) -> LONG { return openBelow(base, path, desired, hive, opened); });
  bool created = false;
  if (status == ERROR_FILE_NOT_FOUND) {
    status = changeHive(base.root, [&](HiveFile& hive, bool& changed) -> LONG {
      Key* parent = walk(hive.tree, base.path);
      if (parent == nullptr) return ERROR_KEY_DELETED;
      opened = OpenKey{base.root, base.path, 0};
      for (const std::string& name : path) {
        Key* next = parent->subkey(name);
        if (next == nullptr) {
          if (!hive.writable) return ERROR_ACCESS_DENIED;
          next = parent->addSubkey(name);
          changed = created = true;
        }
        opened.path.push_back(next->name);
        parent = next;
      }
      return grant(desired, hive, opened.granted);
    });
  }
  if (status != ERROR_SUCCESS) return status;
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = addHandle(opened);
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  if (!(base.granted & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  std::string wanted = name != nullptr ? name : "";
  return readHive(base.root, [&](HiveFile& hive) -> LONG {
    Key* found = walk(hive.tree, base.path);
    if (found == nullptr) return ERROR_KEY_DELETED;
    Value* value = found->value(wanted);
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    return copyValue(*value, type, data, size);
  });
}

namespace {

// A wide text in the store's UTF-8.
std::string utf8Of(const WCHAR* text, size_t length) {
  if (text == nullptr || length == 0) return std::string();
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &narrow[0], bytes, nullptr, nullptr);
  return narrow;
}

}  // namespace

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
  std::string narrowName = utf8Of(name, name != nullptr ? wcslen(name) : 0);
  DWORD storedType = 0, storedSize = 0;
  LSTATUS status = RegQueryValueExA(key, narrowName.c_str(), nullptr, &storedType, nullptr, &storedSize);
  if (status != ERROR_SUCCESS) return status;
  std::string bytes(storedSize + 1, '\0');
  status = RegQueryValueExA(key, narrowName.c_str(), nullptr, &storedType, reinterpret_cast<BYTE*>(&bytes[0]),
                            &storedSize);
  if (status != ERROR_SUCCESS) return status;
  bytes.resize(storedSize);
  if (isStringType(storedType)) {
    std::wstring text;
    if (!bytes.empty()) {
      text.assign(bytes.size(), L'\0');
      int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                                       static_cast<int>(text.size()));
      text.resize(static_cast<size_t>(length));
    }
    bytes.assign(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(WCHAR));
  }
  if (type != nullptr) *type = storedType;
  if (size == nullptr) return ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(bytes.size());
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    memcpy(data, bytes.data(), bytes.size());
  }
  *size = needed;
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  if (data == nullptr && size != 0) return ERROR_NOACCESS;
  std::string narrowName = utf8Of(name, name != nullptr ? wcslen(name) : 0);
  if (!isStringType(type)) return RegSetValueExA(key, narrowName.c_str(), reserved, type, data, size);
  std::wstring text(size / sizeof(WCHAR), L'\0');
  if (!text.empty()) memcpy(&text[0], data, text.size() * sizeof(WCHAR));
  std::string bytes = utf8Of(text.data(), text.size());
  return RegSetValueExA(key, narrowName.c_str(), reserved, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  if (data == nullptr && size != 0) return ERROR_NOACCESS;
  std::string wanted = name != nullptr ? name : "";
  if (wanted.size() > MaxValueNameLength) return ERROR_INVALID_PARAMETER;
  if (!(base.granted & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::string bytes(reinterpret_cast<const char*>(data), data != nullptr ? size : 0);
  return changeHive(base.root, [&](HiveFile& hive, bool& changed) -> LONG {
    Key* found = walk(hive.tree, base.path);
    if (found == nullptr) return ERROR_KEY_DELETED;
    if (!hive.writable) return ERROR_ACCESS_DENIED;
    if (Value* value = found->value(wanted)) {
      value->type = type;
      value->data = bytes;
    } else {
      found->values.push_back(Value{wanted, type, bytes});
    }
    changed = true;
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR name) {
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  if (!(base.granted & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::string wanted = name != nullptr ? name : "";
  return changeHive(base.root, [&](HiveFile& hive, bool& changed) -> LONG {
    Key* found = walk(hive.tree, base.path);
    if (found == nullptr) return ERROR_KEY_DELETED;
    for (auto value = found->values.begin(); value != found->values.end(); ++value) {
      if (!sameName(value->name, wanted)) continue;
      if (!hive.writable) return ERROR_ACCESS_DENIED;
      found->values.erase(value);
      changed = true;
      return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
  });
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  KeyPath path;
  status = splitPath(subKey, path);
  if (status != ERROR_SUCCESS) return status;
  KeyPath target = base.path;
  target.insert(target.end(), path.begin(), path.end());
  if (target.empty()) return ERROR_ACCESS_DENIED;  // a root key cannot be deleted
  return changeHive(base.root, [&](HiveFile& hive, bool& changed) -> LONG {
    if (walk(hive.tree, base.path) == nullptr) return ERROR_KEY_DELETED;
    Key* parent = walk(hive.tree, KeyPath(target.begin(), target.end() - 1));
    Key* doomed = parent != nullptr ? parent->subkey(target.back()) : nullptr;
    if (doomed == nullptr) return ERROR_FILE_NOT_FOUND;
    if (!hive.writable || !doomed->subkeys.empty()) return ERROR_ACCESS_DENIED;
    for (auto sub = parent->subkeys.begin(); sub != parent->subkeys.end(); ++sub) {
      if (sub->get() == doomed) {
        parent->subkeys.erase(sub);
        break;
      }
    }
    changed = true;
    return ERROR_SUCCESS;
  });
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD size) {
  if (reserved != nullptr || name == nullptr || nameLength == nullptr || (data != nullptr && size == nullptr))
    return ERROR_INVALID_PARAMETER;
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  if (!(base.granted & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  return readHive(base.root, [&](HiveFile& hive) -> LONG {
    Key* found = walk(hive.tree, base.path);
    if (found == nullptr) return ERROR_KEY_DELETED;
    if (index >= found->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& value = found->values[index];
    DWORD length = static_cast<DWORD>(value.data.size());
    if (value.name.size() + 1 > *nameLength || (data != nullptr && length > *size)) {
      if (type != nullptr) *type = value.type;
      if (size != nullptr) *size = length;
      return ERROR_MORE_DATA;
    }
    memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameLength = static_cast<DWORD>(value.name.size());
    return copyValue(value, type, data, size);
  });
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPSTR keyClass, LPDWORD classLength, PFILETIME lastWriteTime) {
  if (reserved != nullptr || name == nullptr || nameLength == nullptr ||
      (keyClass != nullptr && classLength == nullptr))
    return ERROR_INVALID_PARAMETER;
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  if (!(base.granted & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  return readHive(base.root, [&](HiveFile& hive) -> LONG {
    Key* found = walk(hive.tree, base.path);
    if (found == nullptr) return ERROR_KEY_DELETED;
    if (index >= found->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& subName = found->subkeys[index]->name;
    if (subName.size() + 1 > *nameLength || (keyClass != nullptr && *classLength < 1)) return ERROR_MORE_DATA;
    memcpy(name, subName.c_str(), subName.size() + 1);
    *nameLength = static_cast<DWORD>(subName.size());
    if (keyClass != nullptr) {
      keyClass[0] = '\0';
      *classLength = 0;
    }
    if (lastWriteTime != nullptr) {
      const uint64_t SecondsFrom1601To1970 = 11644473600ULL;
      uint64_t ticks = 0;
      if (hive.exists)
        ticks = (static_cast<uint64_t>(hive.status.st_mtim.tv_sec) + SecondsFrom1601To1970) * 10000000ULL +
                static_cast<uint64_t>(hive.status.st_mtim.tv_nsec) / 100;
      lastWriteTime->dwLowDateTime = static_cast<DWORD>(ticks);
      lastWriteTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    }
    return ERROR_SUCCESS;
  });
}

LSTATUS RegFlushKey(HKEY key) {
  OpenKey base;
  LONG status = resolve(key, base);
  if (status != ERROR_SUCCESS) return status;
  // Every change is on disk before its call returns; only the key's presence is left.
  return readHive(base.root, [&](HiveFile& hive) -> LONG {
    return walk(hive.tree, base.path) == nullptr ? LONG(ERROR_KEY_DELETED) : LONG(ERROR_SUCCESS);
  });
}

LSTATUS RegCloseKey(HKEY key) {
  if (rootIndexOf(key) >= 0) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> guard(HandlesLock);
  return handles().erase(reinterpret_cast<uintptr_t>(key)) == 1 ? LONG(ERROR_SUCCESS) : LONG(ERROR_INVALID_HANDLE);
}
