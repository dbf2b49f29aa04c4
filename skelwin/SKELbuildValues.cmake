# Run at every build (cmake -P): writes SKELbuildValues.h, the build identity's values,
# for the identity unit and the version resource. The file is rewritten only when a
# value changed. Inputs: SOURCE_DIR (the sources, a git work tree or not), OUTPUT (the
# header to write), BUILD_NAME (the build's name; empty gives an empty build id).
#   source tag       the exact tag of HEAD, else its branch, else "unknown"
#   source revision  the first 12 hex digits of HEAD, else 000000000000
#   build date-time  now (or SOURCE_DATE_EPOCH), as YYYY-MM-DD_hh-mm-ss
#   build id         <host>/<build date-time>.build_<build name>
find_program(SKEL_GIT git)

function(skel_git result)
  set(${result} "" PARENT_SCOPE)
  if(SKEL_GIT)
    execute_process(COMMAND ${SKEL_GIT} -C ${SOURCE_DIR} ${ARGN}
                    RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(status EQUAL 0)
      set(${result} "${text}" PARENT_SCOPE)
    endif()
  endif()
endfunction()

skel_git(tag describe --tags --exact-match HEAD)
if(tag STREQUAL "")
  skel_git(tag symbolic-ref --short -q HEAD)
endif()
if(tag STREQUAL "")
  set(tag "unknown")
endif()

skel_git(revision rev-parse --verify -q HEAD)
string(TOLOWER "${revision}" revision)
if(revision MATCHES "^[0-9a-f]+$" AND NOT revision MATCHES "^0+$")
  string(SUBSTRING "${revision}" 0 12 revision)
else()
  set(revision "000000000000")
endif()

string(TIMESTAMP date_time "%Y-%m-%d_%H-%M-%S")
cmake_host_system_information(RESULT host QUERY HOSTNAME)
if(BUILD_NAME STREQUAL "")
  set(build_id "")
else()
  set(build_id "${host}/${date_time}.build_${BUILD_NAME}")
endif()

function(skel_quoted result text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${result} "\"${text}\"" PARENT_SCOPE)
endfunction()
skel_quoted(tag "${tag}")
skel_quoted(revision "${revision}")
skel_quoted(date_time "${date_time}")
skel_quoted(build_id "${build_id}")

file(WRITE "${OUTPUT}.new"
"/* Written by skelwin/SKELbuildValues.cmake at every build. */
#define SKEL_SOURCE_TAG ${tag}
#define SKEL_SOURCE_REVISION ${revision}
#define SKEL_BUILD_DATE_TIME ${date_time}
#define SKEL_BUILD_ID ${build_id}
")
configure_file("${OUTPUT}.new" "${OUTPUT}" COPYONLY)
file(REMOVE "${OUTPUT}.new")
