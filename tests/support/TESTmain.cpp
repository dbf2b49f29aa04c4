// The main of every test program: GoogleTest's run, or a child role (TESTchild.h).
#include "tests/support/TESTchild.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace {

const char RoleWord[] = "--test-child-role=";
int RoleArgumentCount = 0;
char** RoleArguments = nullptr;

std::map<std::string, TESTchildRoleFunction>& roles() {
  static std::map<std::string, TESTchildRoleFunction> table;
  return table;
}

}  // namespace

bool TESTregisterChildRole(const char* name, TESTchildRoleFunction role) {
  roles()[name] = role;
  return true;
}

std::vector<std::string> TESTchildRole(const char* name) { return {std::string(RoleWord) + name}; }

int TESTchildArgumentCount() { return RoleArgumentCount; }
char** TESTchildArguments() { return RoleArguments; }

int main(int argc, char** argv) {
  if (argc >= 2 && strncmp(argv[1], RoleWord, sizeof RoleWord - 1) == 0) {
    auto found = roles().find(argv[1] + sizeof RoleWord - 1);
    if (found == roles().end()) {
      fprintf(stderr, "no child role %s\n", argv[1] + sizeof RoleWord - 1);
      return 125;
    }
    RoleArgumentCount = argc - 1;
    RoleArguments = argv + 1;
    return found->second();
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
