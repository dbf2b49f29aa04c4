# Cross-build for 64-bit Windows with Debian's mingw-w64 (posix threads flavour).
# Tests run through Wine; the prefix lives inside the build tree so runs are private.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(COL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${COL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${COL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${COL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${COL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(COL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(COL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
