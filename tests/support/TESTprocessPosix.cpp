// Running a child process with posix_spawn: with two pipes read together until both end, or
// with a pipe for its input and files for its output while the test watches it.
#include "tests/support/TESTprocess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The program's path as the system takes it; the layer's Windows form is read as well.
std::string nativePath(const std::string& path) {
  if (path.size() < 2 || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':') return path;
  std::string native = path.substr(2);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

}  // namespace

TESTprogramRun TESTcaptureProgram(const std::string& program, const std::vector<std::string>& words) {
  TESTprogramRun run{-1, "", ""};
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << strerror(errno);
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  int spawned = posix_spawn(&child, nativePath(program).c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program << ": " << strerror(spawned);
    close(outPipe[0]);
    close(errPipe[0]);
    return run;
  }

  // Both pipes are drained together, so a child that fills one never blocks on it.
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* targets[2] = {&run.out, &run.err};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        targets[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status))
    run.exitCode = WEXITSTATUS(status);
  else
    ADD_FAILURE() << program << " ended by signal " << WTERMSIG(status);
  return run;
}

TESTprogramRun TESTcaptureProgramUtf8(const std::string& program, const std::vector<std::string>& words) {
  return TESTcaptureProgram(program, words);
}

bool TESTconfineFileSystem(const std::string& nativeDirectory) {
  return chroot(nativeDirectory.c_str()) == 0 && chdir("/") == 0;
}

struct TESTrunningProgram::Private {
  pid_t child = 0;
  int input = -1;
  int status = 0;
  bool ended = false;
  std::string outPath, errPath;
  bool finished = false;
  TESTprogramRun run{-1, "", ""};
};

namespace {

std::string temporaryFile() {
  char path[] = "/tmp/testrun-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) {
    ADD_FAILURE() << "mkstemp: " << strerror(errno);
    return "";
  }
  close(fd);
  return path;
}

std::string contentOf(const std::string& path) {
  std::string text;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  close(fd);
  return text;
}

}  // namespace

TESTrunningProgram::TESTrunningProgram(const std::string& program, const std::vector<std::string>& words)
    : pMember(new Private) {
  pMember->outPath = temporaryFile();
  pMember->errPath = temporaryFile();
  int inPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << strerror(errno);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
  posix_spawn_file_actions_addopen(&actions, 1, pMember->outPath.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_addopen(&actions, 2, pMember->errPath.c_str(), O_WRONLY | O_TRUNC, 0);
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  int spawned = posix_spawn(&pMember->child, nativePath(program).c_str(), &actions, nullptr, argv.data(),
                            environ);
  posix_spawn_file_actions_destroy(&actions);
  close(inPipe[0]);
  pMember->input = inPipe[1];
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program << ": " << strerror(spawned);
    pMember->child = 0;
  }
}

TESTrunningProgram::~TESTrunningProgram() {
  finish();
  delete pMember;
}

bool TESTrunningProgram::stillRunningAfter(unsigned milliseconds) {
  if (pMember->child == 0) return false;
  for (unsigned waited = 0;; waited += 10) {
    if (!pMember->ended) {
      pid_t done = waitpid(pMember->child, &pMember->status, WNOHANG);
      if (done == pMember->child) pMember->ended = true;
    }
    if (pMember->ended) return false;
    if (waited >= milliseconds) return true;
    usleep(10000);
  }
}

void TESTrunningProgram::writeInput(const std::string& text) {
  // A child that has ended must not end the test through SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  if (pMember->input < 0) return;
  ssize_t n = write(pMember->input, text.data(), text.size());
  EXPECT_EQ(n, static_cast<ssize_t>(text.size())) << "write to the child: " << strerror(errno);
}

TESTprogramRun TESTrunningProgram::finish() {
  if (pMember->finished) return pMember->run;
  pMember->finished = true;
  if (pMember->input >= 0) close(pMember->input);
  pMember->input = -1;
  if (pMember->child != 0) {
    while (!pMember->ended && waitpid(pMember->child, &pMember->status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(pMember->status))
      pMember->run.exitCode = WEXITSTATUS(pMember->status);
    else
      ADD_FAILURE() << "child ended by signal " << WTERMSIG(pMember->status);
  }
  pMember->run.out = contentOf(pMember->outPath);
  pMember->run.err = contentOf(pMember->errPath);
  unlink(pMember->outPath.c_str());
  unlink(pMember->errPath.c_str());
  return pMember->run;
}
