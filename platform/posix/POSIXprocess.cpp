// The layer's modules, system folders and program start over POSIX.
#include "platform/PLATwindows.h"
#include "platform/posix/POSIXpath.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <link.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Module {
  uintptr_t base;
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
  modules.push_back(Module{lowest, path});
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
