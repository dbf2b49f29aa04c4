// vrn_java's natives table (contracts/VRNnatives.def) as rows for the bridge's sweeps,
// each with its shape's Java signature, and vrn_java itself as the build made it, for the
// test programs that load it by name.
#pragma once

#include "tests/support/TESTsupport.h"

#include <map>
#include <set>
#include <string>
#include <vector>

struct TESTvrnNative {
  std::string className, method, shape, function, variable, name, signature;
  std::string symbol() const { return "Java_com_olvenmark_varnel_" + className + "_" + method; }
};

// The lines of the table in its order: all of them, or those of the classes named.
inline std::vector<TESTvrnNative> TESTvrnNatives(const std::set<std::string>& classes = {}) {
  std::map<std::string, std::string> signatures;
#define VRN_SHAPE_LINE(Shape, Signature) signatures[#Shape] = Signature;
#include "contracts/VRNnatives.def"
  std::vector<TESTvrnNative> rows;
#define VRN_NATIVE_LINE(Class, Method, Shape, Function, Variable, Name) \
  if (classes.empty() || classes.count(#Class) != 0)                   \
    rows.push_back({#Class, #Method, #Shape, #Function, Variable, Name, signatures[#Shape]});
#include "contracts/VRNnatives.def"
  return rows;
}

#ifdef VRN_JAVA_LIBRARY
// The library file the build made (VRN_JAVA_LIBRARY, given to the test program).
inline std::string TESTvrnJavaLibrary() { return TESTbuildPath(VRN_JAVA_LIBRARY); }
#endif
