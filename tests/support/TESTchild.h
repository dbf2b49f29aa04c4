// A test program can play a child's part for a test that needs a second process (what a
// child inherits, what a program finds of itself): started with the words of
// TESTchildRole(name), the program runs that role instead of its tests and exits with the
// role's result. Roles are declared where their test is:
//
//   TEST_CHILD_ROLE(EndsWithSeven) { return 7; }
//   ... TESTrunProgram(TESTprogramPath(), TESTchildRole("EndsWithSeven")) ...
#pragma once

#include <string>
#include <vector>

typedef int (*TESTchildRoleFunction)();

bool TESTregisterChildRole(const char* name, TESTchildRoleFunction role);

// The arguments (after the program's own name) that make a test program play the role.
std::vector<std::string> TESTchildRole(const char* name);
// In a role: the words it was started with after the role's own word, as an argument
// vector whose first element, the program's name, is that word.
int TESTchildArgumentCount();
char** TESTchildArguments();

#define TEST_CHILD_ROLE(name)                                                       \
  static int TESTchildRole_##name();                                                \
  static const bool TESTchildRoleRegistered_##name [[maybe_unused]] =               \
      TESTregisterChildRole(#name, TESTchildRole_##name);                          \
  static int TESTchildRole_##name()
