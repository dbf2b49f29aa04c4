// Running a child process (CreateProcessA, or CreateProcessW for a UTF-8 command line): its
// two output pipes read by two threads, or a pipe for its input and files for its output
// while the test watches it.
#include "tests/support/TESTprocess.h"

#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

// The build machine's absolute paths are drive Z: under Wine.
std::string windowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  return TESTdriveZPath(path);
}

// One word of a command line as the runtime's argument parser reads it back: quoted when
// it is empty or holds a blank or a quote; backslashes are doubled only before a quote.
void appendQuoted(std::string& line, const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) {
    line += word;
    return;
  }
  line += '"';
  size_t backslashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, '\\');
  line += '"';
}

void drain(HANDLE pipe, std::string* target) {
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) target->append(buffer, n);
}

std::wstring wideOf(const std::string& utf8) { return TESTwideOfUtf8(utf8); }

// Wine now and then fails a start with ERROR_INTERNAL_ERROR when many processes start at
// once; nothing of the program has run then, so it is started again. Every start of a
// child goes through here.
template <class Start>
BOOL startProcess(Start start, DWORD* error) {
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 5; ++attempt) {
    started = start();
    *error = GetLastError();
    if (started || *error != ERROR_INTERNAL_ERROR) break;
    Sleep(50);
  }
  return started;
}

// Start-up information (either form) that gives the child these three handles.
template <class Startup>
Startup redirected(HANDLE input, HANDLE output, HANDLE error) {
  Startup startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  return startup;
}

TESTprogramRun capture(const std::string& program, const std::vector<std::string>& words, bool utf8) {
  TESTprogramRun run{-1, "", ""};
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(&outRead, &outWrite, &inheritable, 0) || !CreatePipe(&errRead, &errWrite, &inheritable, 0)) {
    ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
    return run;
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr);

  std::string line;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i) line += ' ';
    appendQuoted(line, words[i]);
  }
  STARTUPINFOA startup = redirected<STARTUPINFOA>(input, outWrite, errWrite);
  STARTUPINFOW wideStartup = redirected<STARTUPINFOW>(input, outWrite, errWrite);
  PROCESS_INFORMATION process = {};
  std::string path = windowsPath(program);
  std::wstring widePath = wideOf(path), wideLine = wideOf(line);
  wideLine.push_back(L'\0');
  DWORD startError = 0;
  BOOL started = startProcess(
      [&] {
        return utf8 ? CreateProcessW(widePath.c_str(), &wideLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &wideStartup, &process)
                    : CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &startup, &process);
      },
      &startError);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (started) {
    std::thread errReader(drain, errRead, &run.err);
    drain(outRead, &run.out);
    errReader.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    ADD_FAILURE() << "cannot start " << path << ": error " << startError;
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return run;
}

}  // namespace

TESTprogramRun TESTcaptureProgram(const std::string& program, const std::vector<std::string>& words) {
  return capture(program, words, false);
}

TESTprogramRun TESTcaptureProgramUtf8(const std::string& program, const std::vector<std::string>& words) {
  return capture(program, words, true);
}

// Under Wine every drive letter leads into the real file system; none can be made a
// throw-away one from inside.
bool TESTconfineFileSystem(const std::string&) { return false; }

struct TESTrunningProgram::Private {
  HANDLE process = nullptr;
  HANDLE input = nullptr;
  std::string outPath, errPath;
  bool finished = false;
  TESTprogramRun run{-1, "", ""};
};

namespace {

std::string temporaryFile() {
  char folder[MAX_PATH + 1], path[MAX_PATH + 1];
  if (GetTempPathA(sizeof folder, folder) == 0 || GetTempFileNameA(folder, "run", 0, path) == 0) {
    ADD_FAILURE() << "no temporary file: " << GetLastError();
    return "";
  }
  return path;
}

HANDLE inheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                     CREATE_ALWAYS, 0, nullptr);
}

std::string contentOf(const std::string& path) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  drain(file, &text);
  CloseHandle(file);
  return text;
}

}  // namespace

TESTrunningProgram::TESTrunningProgram(const std::string& program, const std::vector<std::string>& words)
    : pMember(new Private) {
  pMember->outPath = temporaryFile();
  pMember->errPath = temporaryFile();
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE inRead, inWrite;
  if (!CreatePipe(&inRead, &inWrite, &inheritable, 0)) {
    ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
    return;
  }
  SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  HANDLE out = inheritableFile(pMember->outPath);
  HANDLE err = inheritableFile(pMember->errPath);
  std::string line;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i) line += ' ';
    appendQuoted(line, words[i]);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  std::string path = windowsPath(program);
  DWORD startError = 0;
  BOOL started = startProcess(
      [&] {
        return CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                              &process);
      },
      &startError);
  CloseHandle(inRead);
  CloseHandle(out);
  CloseHandle(err);
  pMember->input = inWrite;
  if (started) {
    CloseHandle(process.hThread);
    pMember->process = process.hProcess;
  } else {
    ADD_FAILURE() << "cannot start " << path << ": error " << startError;
  }
}

TESTrunningProgram::~TESTrunningProgram() {
  finish();
  delete pMember;
}

bool TESTrunningProgram::stillRunningAfter(unsigned milliseconds) {
  return pMember->process != nullptr && WaitForSingleObject(pMember->process, milliseconds) == WAIT_TIMEOUT;
}

void TESTrunningProgram::writeInput(const std::string& text) {
  if (pMember->input == nullptr) return;
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(pMember->input, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
      << "write to the child: " << GetLastError();
}

TESTprogramRun TESTrunningProgram::finish() {
  if (pMember->finished) return pMember->run;
  pMember->finished = true;
  if (pMember->input != nullptr) CloseHandle(pMember->input);
  pMember->input = nullptr;
  if (pMember->process != nullptr) {
    WaitForSingleObject(pMember->process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pMember->process, &code);
    pMember->run.exitCode = static_cast<int>(code);
    CloseHandle(pMember->process);
  }
  pMember->run.out = contentOf(pMember->outPath);
  pMember->run.err = contentOf(pMember->errPath);
  DeleteFileA(pMember->outPath.c_str());
  DeleteFileA(pMember->errPath.c_str());
  return pMember->run;
}
