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
// program sees for itself. The program's path may be in either form. The child's standard input is empty. A program that cannot be
// started fails the test and gives exit code -1.
TESTprogramRun TESTcaptureProgram(const std::string& program, const std::vector<std::string>& words);
// The same with words in UTF-8, which a Windows child gets through its wide command line,
// every character as it is, whatever the code pages of the test and the child; each
// program then sees them as its own code page can hold them. Natively the words are the
// child's bytes, as above.
TESTprogramRun TESTcaptureProgramUtf8(const std::string& program, const std::vector<std::string>& words);
// This test program, run to play the role (TESTchild.h).
TESTprogramRun TESTcaptureChildRole(const char* role);

// Makes the directory (named natively) the root of the calling process's file system and
// its current directory, so that a child role may try a call that could harm the real one
// had it gone wrong. False where that cannot be done: the Windows build, or a process
// without the right to.
bool TESTconfineFileSystem(const std::string& nativeDirectory);

// A child that runs while the test watches it: its standard input is a pipe that the test
// writes to, its standard output and error go to files that finish() reads back. For a
// program that waits for its input, to see that it waits and what it does when it gets it.
// The program's path may be in either form (TESTprogramPath gives the Windows one).
class TESTrunningProgram {
public:
  TESTrunningProgram(const std::string& program, const std::vector<std::string>& words);
  // Finishes the child when the test did not.
  ~TESTrunningProgram();
  TESTrunningProgram(const TESTrunningProgram&) = delete;
  TESTrunningProgram& operator=(const TESTrunningProgram&) = delete;

  // True when the child is still running after waiting up to that long for it to end.
  bool stillRunningAfter(unsigned milliseconds);
  void writeInput(const std::string& text);
  // Closes the child's input, waits for it to end and gives what it did (exit code -1
  // when it could not be started or did not end by exit).
  TESTprogramRun finish();

private:
  struct Private;
  Private* pMember;
};
