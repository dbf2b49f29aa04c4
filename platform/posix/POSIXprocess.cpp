// The layer's modules (those the program started with and those loaded at run time over
// the dynamic loader), system folders and program start over POSIX.
#include "platform/PLATwindows.h"
#include "platform/posix/POSIXpath.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>

#include <link.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Module {
  uintptr_t base;
  uintptr_t bias;  // what the loader added to the addresses of the file
  std::string path;  // POSIX
};

bool executablePath(std::string& path) {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<size_t>(length) < buffer.size()) {
      path.assign(buffer.data(), static_cast<size_t>(length));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

int addModule(struct dl_phdr_info* info, size_t, void* data) {
  std::vector<Module>& modules = *static_cast<std::vector<Module>*>(data);
  uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i)
    if (info->dlpi_phdr[i].p_type == PT_LOAD &&
        info->dlpi_addr + info->dlpi_phdr[i].p_vaddr < lowest)
      lowest = info->dlpi_addr + info->dlpi_phdr[i].p_vaddr;
  if (lowest == UINTPTR_MAX) return 0;
  std::string path = info->dlpi_name != nullptr ? info->dlpi_name : "";
  if (modules.empty()) {
    // The first object is always the program itself, which the loader leaves unnamed.
    if (!executablePath(path)) path = "";
  } else if (path.find('/') == std::string::npos) {
    return 0;  // the kernel's vDSO, which has no file
  }
  modules.push_back(Module{lowest, info->dlpi_addr, path});
  return 0;
}

std::vector<Module> loadedModules() {
  std::vector<Module> modules;
  dl_iterate_phdr(addModule, &modules);
  return modules;
}

bool sameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
    char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
    if (x != y) return false;
  }
  return true;
}

std::string fileName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A folder from the environment, when it names an absolute path, else the fallback.
std::string systemFolder(const char* variable, const char* fallback) {
  std::string posix;
  const char* value = getenv(variable);
  if (value == nullptr || POSIXpathFromWindows(value, posix) != ERROR_SUCCESS || posix[0] != '/')
    posix = fallback;
  while (posix.size() > 1 && posix.back() == '/') posix.pop_back();
  return POSIXpathToWindows(posix);
}

}  // namespace

HMODULE GetModuleHandleA(LPCSTR name) {
  std::vector<Module> modules = loadedModules();
  if (name == nullptr)
    return modules.empty() ? nullptr : reinterpret_cast<HMODULE>(modules[0].base);
  std::string wanted = name;
  bool hasPath = wanted.find_first_of("\\/") != std::string::npos;
  std::string posix;
  if (hasPath && POSIXpathFromWindows(name, posix) != ERROR_SUCCESS) posix.clear();
  for (const Module& module : modules) {
    if (module.path.empty()) continue;
    if (hasPath ? sameText(posix, module.path) : sameText(wanted, fileName(module.path)))
      return reinterpret_cast<HMODULE>(module.base);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::vector<Module> modules = loadedModules();
  const Module* found = nullptr;
  for (const Module& candidate : modules) {
    if (module == nullptr || reinterpret_cast<uintptr_t>(module) == candidate.base) {
      found = &candidate;
      break;
    }
  }
  if (found == nullptr || found->path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (buffer == nullptr && size > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path = POSIXpathToWindows(found->path);
  if (path.size() < size) {
    memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  if (size == 0) return 0;
  memcpy(buffer, path.data(), size - 1);
  buffer[size - 1] = '\0';
  return size;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  char path[4096];
  DWORD length = GetModuleFileNameA(module, path, sizeof path);
  if (length == 0 || length >= sizeof path - 1) return 0;
  std::wstring wide(length + 1, L'\0');
  int count = MultiByteToWideChar(CP_UTF8, 0, path, -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(count > 0 ? static_cast<size_t>(count) - 1 : 0);
  if (buffer == nullptr && size > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (wide.size() < size) {
    wmemcpy(buffer, wide.c_str(), wide.size() + 1);
    return static_cast<DWORD>(wide.size());
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  if (size == 0) return 0;
  wmemcpy(buffer, wide.data(), size - 1);
  buffer[size - 1] = L'\0';
  return size;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return POSIXcopyOut(systemFolder("PLAT_WINDOWS_DIRECTORY", "/usr"), buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  return POSIXcopyOut(systemFolder("PLAT_SYSTEM_DIRECTORY", "/usr/lib"), buffer, size);
}

intptr_t _spawnv(int mode, const char* path, const char* const* arguments) {
  if (mode != _P_WAIT || arguments == nullptr || arguments[0] == nullptr) {
    errno = EINVAL;
    return -1;
  }
  std::string posix;
  DWORD error = POSIXpathFromWindows(path, posix);
  if (error != ERROR_SUCCESS) {
    errno = POSIXerrnoFromPathError(error);
    return -1;
  }
  pid_t child;
  int failure = posix_spawn(&child, posix.c_str(), nullptr, nullptr,
                            const_cast<char* const*>(arguments), environ);
  if (failure != 0) {
    errno = POSIXcrtErrno(failure);
    return -1;
  }
  int status = 0;
  while (waitpid(child, &status, 0) == -1) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGABRT ? 3 : 128 + WTERMSIG(status);
  return -1;
}

namespace {

// The dlopen handles of the loads that LoadLibraryExA made, by module base: one entry per
// load, so each FreeLibrary gives back exactly one of them.
std::mutex LoadsLock;
std::multimap<uintptr_t, void*>& loads() {
  static std::multimap<uintptr_t, void*> table;
  return table;
}

std::atomic<UINT> ErrorMode{0};

const Module* moduleAt(const std::vector<Module>& modules, HMODULE module) {
  for (const Module& candidate : modules)
    if (reinterpret_cast<uintptr_t>(module) == candidate.base) return &candidate;
  return nullptr;
}

std::string lowerCased(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool isSystemLibraryName(const char* name) {
  std::string wanted = lowerCased(name);
  return wanted == "kernel32.dll" || wanted == "kernel32" || wanted == "user32.dll" ||
         wanted == "user32";
}

DWORD systemLibraryPath(std::string& posix) {
  const char* chosen = getenv("PLAT_SYSTEM_LIBRARY");
  if (chosen == nullptr || *chosen == '\0') {
    posix = PLAT_SYSTEM_LIBRARY_PATH;
    return ERROR_SUCCESS;
  }
  return POSIXpathFromWindows(chosen, posix);
}

bool contains(const char* text, const char* part) {
  return text != nullptr && strstr(text, part) != nullptr;
}

// The ELF identity of the program itself: a module of this machine has the same class,
// byte order and processor.
bool ownElfHeader(Elf64_Ehdr& header) {
  static Elf64_Ehdr own;
  static const bool known = [] {
    int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool read = ::read(fd, &own, sizeof own) == static_cast<ssize_t>(sizeof own);
    close(fd);
    return read;
  }();
  header = own;
  return known;
}

// Why the loader refused a file it was given by path, in Windows' terms.
DWORD refusalOfFile(const std::string& posix, const char* loaderText) {
  struct stat info;
  if (stat(posix.c_str(), &info) != 0)
    return errno == ENOENT || errno == ENOTDIR ? ERROR_MOD_NOT_FOUND : POSIXerrorFromErrno(errno);
  if (S_ISDIR(info.st_mode)) return ERROR_MOD_NOT_FOUND;
  int fd = open(posix.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return POSIXerrorFromErrno(errno);
  Elf64_Ehdr header;
  memset(&header, 0, sizeof header);
  ssize_t length = read(fd, &header, sizeof header);
  close(fd);
  Elf64_Ehdr own;
  if (length < static_cast<ssize_t>(sizeof header) || memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      !ownElfHeader(own) || header.e_ident[EI_CLASS] != own.e_ident[EI_CLASS] ||
      header.e_ident[EI_DATA] != own.e_ident[EI_DATA] || header.e_machine != own.e_machine ||
      header.e_type != ET_DYN)
    return ERROR_BAD_EXE_FORMAT;
  if (contains(loaderText, "undefined symbol")) return ERROR_PROC_NOT_FOUND;
  if (contains(loaderText, "cannot open shared object file")) return ERROR_MOD_NOT_FOUND;
  return ERROR_BAD_EXE_FORMAT;
}

// The same for a name the loader looked for itself, where only its text tells.
DWORD refusalOfName(const char* loaderText) {
  if (contains(loaderText, "undefined symbol")) return ERROR_PROC_NOT_FOUND;
  if (contains(loaderText, "invalid ELF header") || contains(loaderText, "file too short") ||
      contains(loaderText, "wrong ELF class") || contains(loaderText, "position-independent"))
    return ERROR_BAD_EXE_FORMAT;
  return ERROR_MOD_NOT_FOUND;
}

struct BaseSearch {
  uintptr_t bias;
  const char* name;
  uintptr_t base;
};

int findBase(struct dl_phdr_info* info, size_t, void* data) {
  BaseSearch& search = *static_cast<BaseSearch*>(data);
  if (info->dlpi_addr != search.bias || info->dlpi_name == nullptr ||
      strcmp(info->dlpi_name, search.name) != 0)
    return 0;
  uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i)
    if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_addr + info->dlpi_phdr[i].p_vaddr < lowest)
      lowest = info->dlpi_addr + info->dlpi_phdr[i].p_vaddr;
  search.base = lowest == UINTPTR_MAX ? 0 : lowest;
  return 1;
}

uintptr_t baseOf(void* handle) {
  struct link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return 0;
  BaseSearch search{map->l_addr, map->l_name != nullptr ? map->l_name : "", 0};
  dl_iterate_phdr(findBase, &search);
  return search.base;
}

}  // namespace

HMODULE LoadLibraryExA(LPCSTR name, HANDLE file, DWORD) {
  if (name == nullptr || file != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string posix;
  bool byPath = true;
  if (isSystemLibraryName(name)) {
    DWORD error = systemLibraryPath(posix);
    if (error != ERROR_SUCCESS) {
      SetLastError(error);
      return nullptr;
    }
  } else if (strpbrk(name, "\\/") != nullptr) {
    DWORD error = POSIXpathFromWindows(name, posix);
    if (error != ERROR_SUCCESS) {
      SetLastError(error);
      return nullptr;
    }
  } else if (*name == '\0') {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  } else {
    posix = name;
    byPath = false;
  }
  dlerror();
  void* handle = dlopen(posix.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* loaderText = dlerror();
    SetLastError(byPath ? refusalOfFile(posix, loaderText) : refusalOfName(loaderText));
    return nullptr;
  }
  uintptr_t base = baseOf(handle);
  if (base == 0) {
    dlclose(handle);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(LoadsLock);
  loads().emplace(base, handle);
  return reinterpret_cast<HMODULE>(base);
}

BOOL FreeLibrary(HMODULE module) {
  void* handle = nullptr;
  {
    std::lock_guard<std::mutex> lock(LoadsLock);
    auto found = loads().find(reinterpret_cast<uintptr_t>(module));
    if (found != loads().end()) {
      handle = found->second;
      loads().erase(found);
    }
  }
  if (handle == nullptr) {
    if (module != nullptr && moduleAt(loadedModules(), module) != nullptr) return TRUE;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (dlclose(handle) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module) {
  const DWORD pinned = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (module == nullptr || (flags & pinned) == pinned) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  std::vector<Module> modules = loadedModules();
  const Module* found = nullptr;
  if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    Dl_info info;
    struct link_map* owner = nullptr;
    if (dladdr1(name, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) != 0 && owner != nullptr) {
      for (const Module& candidate : modules)
        if (candidate.bias == owner->l_addr) found = &candidate;
    }
  } else {
    HMODULE named = GetModuleHandleA(name);
    if (named != nullptr) found = moduleAt(modules, named);
  }
  if (found == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  // The program itself is never unloaded: it needs no load of its own to stay.
  if (found != &modules[0] && !(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) {
    int mode = RTLD_LAZY | RTLD_NOLOAD | ((flags & GET_MODULE_HANDLE_EX_FLAG_PIN) ? RTLD_NODELETE : 0);
    void* handle = dlopen(found->path.c_str(), mode);
    if (handle == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
    // A pinned module's load is never given back, so it needs no entry.
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_PIN)) {
      std::lock_guard<std::mutex> lock(LoadsLock);
      loads().emplace(found->base, handle);
    }
  }
  *module = reinterpret_cast<HMODULE>(found->base);
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  std::vector<Module> modules = loadedModules();
  const Module* found = module == nullptr ? (modules.empty() ? nullptr : &modules[0])
                                          : moduleAt(modules, module);
  if (found == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (reinterpret_cast<uintptr_t>(name) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  bool program = found == &modules[0];
  void* handle = program ? dlopen(nullptr, RTLD_LAZY) : dlopen(found->path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* symbol = dlsym(handle, name);
  dlclose(handle);
  // dlsym also searches what the module was linked with; Windows looks at the module's
  // own exports only.
  Dl_info info;
  struct link_map* owner = nullptr;
  if (symbol == nullptr ||
      dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 ||
      owner == nullptr || owner->l_addr != found->bias) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

UINT SetErrorMode(UINT mode) { return ErrorMode.exchange(mode); }
