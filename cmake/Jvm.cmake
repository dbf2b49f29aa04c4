# The JDK: its jni.h for the JNI libraries, and javac/java for the suites that run our
# natives inside a real JVM (native build only; there is no Windows JVM here).
#
#   COL_JNI_INCLUDE_DIRS   jni.h and the build's jni_md.h (the Windows build uses the host
#                          JDK's jni.h with our JNI/windows/jni_md.h). Empty when no JDK.
#
#   col_jvm_test(<test name>
#                JAVA <folder under java/>...     compiled with java/harness by javac
#                                                 (-Xlint:all -Werror: warnings fail the build)
#                SUITES <class>...                classes implementing harness.Suite
#                [NATIVE <shared library target>...]  put on java.library.path
#                [ENVIRONMENT <NAME=value>...])   e.g. TZ=EST5 for date tests
#
# adds a CTest test that runs harness.Runner over the suites in
#   java -Xcheck:jni -XX:-CreateCoredumpOnCrash -Djava.library.path=<the NATIVE targets' dirs>
# and fails when a suite fails, when the closing "N passed, N failed" line is missing or
# counts a failure, or when the output holds any warning line of -Xcheck:jni ("WARNING in
# native method: ...", "WARNING: JNI local refs: ...", "Warning: ..."), "FATAL ERROR" or an
# uncaught exception (cmake/JvmRun.cmake checks it; tests/jvm plants such warnings). A case
# that must end the process runs it in a child JVM with the same settings: harness.ChildJvm.run(mainClass, args...)
# gives the child's exit status and output (runOn(classPath, mainClass, args...) on an
# altered copy of the class path). In the sanitizer build the JVM runs with the
# sanitizer runtime preloaded.
#
# A suite (java/<folder>/, any package; java/framework/FrameworkSuite.java is a full one):
#   public final class MySuite implements harness.Suite {
#       public void cases(harness.Cases table) {
#           table.add("aNullNameRaises", () -> {
#               MyException e = harness.Check.throwsOf(MyException.class, () -> Native.call(null));
#               harness.Check.equal("The string variable ...", e.getMessage(), "text");
#           });
#       }
#   }
# and the natives it loads are a shared library target named in NATIVE (System.loadLibrary
# of its name; its dependencies are found through the build tree's RPATH).

if(WIN32)
  # Cross-building: the host's JDK, outside the mingw root the toolchain confines us to.
  find_program(COL_HOST_JAVAC javac NO_CMAKE_FIND_ROOT_PATH)
  set(COL_JNI_INCLUDE_DIRS "")
  if(COL_HOST_JAVAC)
    get_filename_component(COL_HOST_JAVAC_REAL ${COL_HOST_JAVAC} REALPATH)
    get_filename_component(COL_HOST_JDK ${COL_HOST_JAVAC_REAL} DIRECTORY)
    get_filename_component(COL_HOST_JDK ${COL_HOST_JDK} DIRECTORY)
    if(EXISTS ${COL_HOST_JDK}/include/jni.h)
      set(COL_JNI_INCLUDE_DIRS ${PROJECT_SOURCE_DIR}/JNI/windows ${COL_HOST_JDK}/include)
    endif()
  endif()
else()
  find_package(Java 17 COMPONENTS Runtime Development)
  # The JDK that javac belongs to, unless one is named: its headers match its JVM.
  if(NOT JAVA_HOME AND NOT DEFINED ENV{JAVA_HOME} AND Java_JAVAC_EXECUTABLE)
    get_filename_component(COL_JAVAC_REAL ${Java_JAVAC_EXECUTABLE} REALPATH)
    get_filename_component(COL_JDK ${COL_JAVAC_REAL} DIRECTORY)
    get_filename_component(JAVA_HOME ${COL_JDK} DIRECTORY)
  endif()
  # Only the headers and the JVM matter: a headless JDK has no AWT.
  find_package(JNI COMPONENTS JVM)
  set(COL_JNI_INCLUDE_DIRS "")
  if(JNI_INCLUDE_DIRS)
    set(COL_JNI_INCLUDE_DIRS ${JNI_INCLUDE_DIRS})
  endif()
endif()
if(NOT COL_JNI_INCLUDE_DIRS)
  message(WARNING "No JDK found: the JNI libraries and their tests are not built")
endif()

# The JVM suites run only where a JVM can: natively, with java and javac found.
set(COL_JVM_TESTS OFF)
if(NOT CMAKE_CROSSCOMPILING AND Java_JAVA_EXECUTABLE AND Java_JAVAC_EXECUTABLE)
  set(COL_JVM_TESTS ON)
endif()

# The sanitizer runtime a JVM must preload to load our sanitized libraries; the JVM's own
# signal handling and its never-freed memory rule out the SEGV handler and leak checks.
# JvmSanitizer.supp holds the one report of the JVM's own that some JDK 17 builds make
# (a library's name read after it was unloaded); it names only JVM frames.
if(COL_SANITIZE AND COL_JVM_TESTS)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                  OUTPUT_VARIABLE COL_LIBASAN OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libubsan.so
                  OUTPUT_VARIABLE COL_LIBUBSAN OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(COL_JVM_SANITIZER_ENVIRONMENT
      "LD_PRELOAD=${COL_LIBASAN}:${COL_LIBUBSAN}"
      "ASAN_OPTIONS=handle_segv=0:detect_leaks=0:allow_user_segv_handler=1:abort_on_error=1:suppressions=${CMAKE_CURRENT_LIST_DIR}/JvmSanitizer.supp"
      "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()

set(COL_JVM_RUN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/JvmRun.cmake)

function(col_jvm_test name)
  if(NOT COL_JVM_TESTS)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 JVM "" "" "JAVA;SUITES;NATIVE;ENVIRONMENT")
  set(classes ${CMAKE_BINARY_DIR}/jvm/${name})
  set(sources "")
  foreach(folder harness ${JVM_JAVA})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/java/${folder}/*.java)
    list(APPEND sources ${found})
  endforeach()
  list(REMOVE_DUPLICATES sources)
  add_custom_command(
    OUTPUT ${classes}.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${classes}
    COMMAND ${Java_JAVAC_EXECUTABLE} -encoding UTF-8 -Xlint:all -Werror -d ${classes} ${sources}
    COMMAND ${CMAKE_COMMAND} -E touch ${classes}.stamp
    DEPENDS ${sources}
    COMMENT "javac: the classes of ${name}"
    VERBATIM)
  add_custom_target(${name}_classes ALL DEPENDS ${classes}.stamp)

  set(libraryPath "")
  foreach(target ${JVM_NATIVE})
    add_dependencies(${name}_classes ${target})
    list(APPEND libraryPath $<TARGET_FILE_DIR:${target}>)
  endforeach()
  list(REMOVE_DUPLICATES libraryPath)
  string(REPLACE ";" ":" libraryPath "${libraryPath}")
  string(REPLACE ";" "," suites "${JVM_SUITES}")

  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND}
                   -DJAVA=${Java_JAVA_EXECUTABLE} -DCLASSPATH=${classes}
                   -DLIBRARY_PATH=${libraryPath} -DSUITES=${suites}
                   -DWORKING_DIRECTORY=${CMAKE_BINARY_DIR}/jvm/${name}.run
                   -P ${COL_JVM_RUN_SCRIPT})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300
                       ENVIRONMENT "${COL_JVM_SANITIZER_ENVIRONMENT};${JVM_ENVIRONMENT}")
endfunction()
