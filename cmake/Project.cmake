# Shared settings for every target of ours: warnings as errors, sanitizers on request,
# static runtime on Windows so the executables run under Wine without extra DLLs.

set(COL_WARNINGS -Wall -Wextra -Werror)

if(COL_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "COL_SANITIZE is for the native Linux build only")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(WIN32)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# col_target(<name>): our warnings, and the source tree as the include root.
function(col_target name)
  target_compile_options(${name} PRIVATE ${COL_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
