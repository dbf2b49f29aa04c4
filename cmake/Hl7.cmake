# Settings shared by vrn_java and the test doubles it is built against: one output folder
# (so that under Wine each DLL finds the others beside it), and shared libraries that
# export only what they mark, never the static libraries linked into them.
set(VRN_OUTPUT_DIR ${CMAKE_BINARY_DIR}/hl7)

if(WIN32)
  set(VRN_EXPORT_ATTRIBUTE "__declspec(dllexport)")
else()
  set(VRN_EXPORT_ATTRIBUTE "__attribute__((visibility(\"default\")))")
endif()

# vrn_shared_library(<name>): hidden by default, named as Windows names it (no lib prefix
# there), built into the shared output folder.
function(vrn_shared_library name)
  set_target_properties(${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    RUNTIME_OUTPUT_DIRECTORY ${VRN_OUTPUT_DIR} LIBRARY_OUTPUT_DIRECTORY ${VRN_OUTPUT_DIR})
  if(WIN32)
    set_target_properties(${name} PROPERTIES PREFIX "")
  else()
    target_link_options(${name} PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)
  endif()
endfunction()
