# Runs the JVM suites of one test (cmake -P, from col_jvm_test in cmake/Jvm.cmake) and
# judges the whole output, not only the exit status: -Xcheck:jni reports a misused JNI call
# as a warning and lets the program go on, and a fatal error or an exception escaping a
# thread must fail the run even when the suites counted it as a pass.
#   -DJAVA= -DCLASSPATH= -DLIBRARY_PATH= -DSUITES=<class,class> -DWORKING_DIRECTORY=
string(REPLACE "," ";" suites "${SUITES}")
file(MAKE_DIRECTORY ${WORKING_DIRECTORY})
execute_process(
  COMMAND ${JAVA} -Xcheck:jni -XX:-CreateCoredumpOnCrash -Djava.library.path=${LIBRARY_PATH}
          -cp ${CLASSPATH} harness.Runner ${suites}
  WORKING_DIRECTORY ${WORKING_DIRECTORY}
  OUTPUT_VARIABLE output ERROR_VARIABLE output
  RESULT_VARIABLE status)
message("${output}")

set(faults "")
# Every warning -Xcheck:jni prints: "WARNING in native method: ...", "WARNING: JNI local
# refs: ...", "Warning: Calling other JNI functions ..." and whatever else it adds, each on
# a line of its own; another thread's output may run into the line, so the two JNI forms
# count anywhere. harness.ChildJvm.Result.jniWarnings applies the same rule to a child.
string(REPLACE ";" "," scan "${output}")
string(REGEX MATCHALL "(^|\n)[ \t]*(WARNING|Warning)[ :!][^\n]*" warnings "${scan}")
string(REGEX MATCHALL "[^\n]*WARNING( in native method|: JNI)[^\n]*" inline "${scan}")
list(APPEND warnings ${inline})
if(warnings)
  list(TRANSFORM warnings STRIP)
  list(REMOVE_DUPLICATES warnings)
  list(LENGTH warnings count)
  foreach(line ${warnings})
    message("JNI warning: ${line}")
  endforeach()
  list(APPEND faults "${count} JNI warning line(s)")
endif()
foreach(sign "FATAL ERROR" "Exception in thread")
  string(FIND "${output}" "${sign}" at)
  if(NOT at EQUAL -1)
    list(APPEND faults "the output holds \"${sign}\"")
  endif()
endforeach()
# The sanitizers' own reports, when the runtime is preloaded.
foreach(sign "ERROR: AddressSanitizer" "runtime error:")
  string(FIND "${output}" "${sign}" at)
  if(NOT at EQUAL -1)
    list(APPEND faults "the output holds a sanitizer report (\"${sign}\")")
  endif()
endforeach()
if(output MATCHES "(^|\n)([0-9]+) passed, ([0-9]+) failed\n*$")
  if(NOT CMAKE_MATCH_3 EQUAL 0)
    list(APPEND faults "${CMAKE_MATCH_3} case(s) failed")
  elseif(CMAKE_MATCH_2 EQUAL 0)
    list(APPEND faults "no case ran")
  endif()
else()
  list(APPEND faults "no closing \"N passed, N failed\" line")
endif()
if(NOT status EQUAL 0)
  list(APPEND faults "the JVM ended with status ${status}")
endif()
if(faults)
  string(REPLACE ";" "; " faults "${faults}")
  message(FATAL_ERROR "JVM run failed: ${faults}")
endif()
message("JVM run clean: no JNI warning, fatal error or failed case")
