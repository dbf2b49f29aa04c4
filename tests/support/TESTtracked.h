// An element type for container tests: it logs its copies and destructions, so a test
// sees their order, and counts the live objects, so a test sees that nothing leaks.
#pragma once

#include <string>
#include <vector>

struct TESTtracked {
  static inline std::vector<std::string> log;
  static inline int live = 0;
  static void reset() {
    log.clear();
    live = 0;
  }

  int id;
  explicit TESTtracked(int Id = 0) : id(Id) { ++live; }
  TESTtracked(const TESTtracked& other) : id(other.id) {
    ++live;
    log.push_back("copy " + std::to_string(id));
  }
  TESTtracked& operator=(const TESTtracked& other) {
    id = other.id;
    return *this;
  }
  ~TESTtracked() {
    --live;
    log.push_back("destroy " + std::to_string(id));
  }
};
