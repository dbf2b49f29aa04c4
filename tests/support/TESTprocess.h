// Runs a program as a child process, the way a user's shell would, and hands back what it
// did: its exit code and the exact bytes of its standard output and standard error, kept
// apart (TESTrunProgram gives the exit code alone). In the Windows build the child is a
// Windows process started by the test (under Wine), so it inherits the test's environment
// and registry like any Windows program.
#pragma once

#include <string>
#include <vector>

struct TESTprogramRun {
  int exitCode;
  std::string out;
  std::string err;
};

// The words are the child's whole argument vector, its first being the name that the
// program sees for itself. The child's standard input is empty. A program that cannot be
// started fails the test and gives exit code -1.
TESTprogramRun TESTcaptureProgram(const std::string& program, const std::vector<std::string>& words);

// Makes the directory (named natively) the root of the calling process's file system and
// its current directory, so that a child role may try a call that could harm the real one
// had it gone wrong. False where that cannot be done: the Windows build, or a process
// without the right to.
bool TESTconfineFileSystem(const std::string& nativeDirectory);
