# Makes what the linker needs of one outside library from the functions its contract lists
# (cmake -P, from contracts/CMakeLists.txt): the names are read from the contract header as
# the compiler's preprocessor expands it (NAMES marks each declaration with CONTRACT_NAME),
# so the header stays the one list.
#   -DCOMPILER=<C++ compiler> -DROOT=<source root> -DNAMES=<x.names> -DMODULE=<DLL file name>
#   -DDEF=<.def to write>
#   and either -DDLLTOOL=<dlltool> -DIMPORT_LIBRARY=<.dll.a to write> (Windows)
#   or -DSTUB=<C source of the link stub to write> (natively)
# Files are only rewritten when their text changes, so that an unchanged contract relinks
# nothing.
execute_process(COMMAND "${COMPILER}" -x c++ -std=c++17 -E -P -I "${ROOT}" "${NAMES}"
                RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "preprocessing ${NAMES} failed (${result}):\n${errors}")
endif()

# "CONTRACT_NAME <return type> <name> (": the name is the last word before the parenthesis.
string(REGEX MATCHALL "CONTRACT_NAME[^(;]*[ *][A-Za-z_][A-Za-z0-9_]* *\\(" declarations "${text}")
set(names "")
foreach(declaration ${declarations})
  string(REGEX REPLACE ".*[ *]([A-Za-z_][A-Za-z0-9_]*) *\\($" "\\1" name "${declaration}")
  list(APPEND names ${name})
endforeach()
list(REMOVE_DUPLICATES names)
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "${NAMES} names no function")
endif()
list(SORT names)

# write_if_changed(<file> <text>)
function(write_if_changed file text)
  file(WRITE "${file}.new" "${text}")
  file(COPY_FILE "${file}.new" "${file}" ONLY_IF_DIFFERENT)
  file(REMOVE "${file}.new")
endfunction()

list(JOIN names "\n  " exports)
write_if_changed("${DEF}" "LIBRARY \"${MODULE}\"\nEXPORTS\n  ${exports}\n")

if(DLLTOOL)
  # The import library names the DLL itself, so whichever DLL of that name the loader finds
  # serves the functions.
  if("${DEF}" IS_NEWER_THAN "${IMPORT_LIBRARY}")
    execute_process(COMMAND "${DLLTOOL}" --input-def "${DEF}" --dllname "${MODULE}"
                            --output-lib "${IMPORT_LIBRARY}"
                    RESULT_VARIABLE result ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
      file(REMOVE "${IMPORT_LIBRARY}")
      message(FATAL_ERROR "dlltool failed for ${DEF} (${result}):\n${errors}")
    endif()
  endif()
endif()

if(STUB)
  # A stub is only linked against, never loaded (its folder is on no run path): each
  # function traps, so a stub that is loaded by mistake cannot pass for the library.
  set(source "/* Link stub of ${MODULE}, made from its contract; never shipped. */\n")
  foreach(name ${names})
    string(APPEND source "void ${name}(void) { __builtin_trap(); }\n")
  endforeach()
  write_if_changed("${STUB}" "${source}")
endif()
