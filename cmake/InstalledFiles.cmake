# The installed set, checked: installs the build tree BUILD_DIR into a fresh PREFIX (inside
# the build tree) and compares every entry below it, files and folders, with EXPECTED (a
# comma-separated list of paths relative to PREFIX). Run as cmake -P by the tests and, for
# the trees built without them, by scripts/test.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()
file(GLOB_RECURSE found LIST_DIRECTORIES true RELATIVE "${PREFIX}" "${PREFIX}/*")
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT found)
list(SORT expected)
if(NOT found STREQUAL expected)
  string(REPLACE ";" "\n  " found "${found}")
  string(REPLACE ";" "\n  " expected "${expected}")
  message(FATAL_ERROR "installed:\n  ${found}\nexpected:\n  ${expected}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
