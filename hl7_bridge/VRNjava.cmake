# vrn_java: the JNI library behind com.olvenmark.varnel, over vrn_core and sockmod2, linked
# against their contracts (the stand-ins serve them in the tests). It exports exactly its
# natives (hidden visibility, JNIEXPORT on each; on Linux a version script keeps the
# template code of the libraries linked in from being exported too).
if(COL_JNI_INCLUDE_DIRS AND TARGET VRNfatal AND TARGET MT)
  # The repair of texts for the JVM, apart so that its tests need no JNI.
  add_library(VRNtext STATIC ${CMAKE_CURRENT_LIST_DIR}/VRNmodifiedUtf8.cpp)
  col_target(VRNtext)
  target_link_libraries(VRNtext PUBLIC COL)

  # The error roads and conversions, apart so that their tests can drive them directly.
  add_library(VRNroads STATIC ${CMAKE_CURRENT_LIST_DIR}/VRNjniImplement.cpp)
  col_target(VRNroads)
  target_link_libraries(VRNroads PUBLIC JNI VRNtext VRNfatal LEG COL)

  add_library(vrn_java SHARED ${CMAKE_CURRENT_LIST_DIR}/VRNshapes.cpp ${CMAKE_CURRENT_LIST_DIR}/VRNengine.cpp
              ${CMAKE_CURRENT_LIST_DIR}/VRNdata.cpp ${CMAKE_CURRENT_LIST_DIR}/VRNencoding.cpp
              ${CMAKE_CURRENT_LIST_DIR}/VRNllp.cpp ${CMAKE_CURRENT_LIST_DIR}/VRNlisteners.cpp)
  col_target(vrn_java)
  target_link_libraries(vrn_java PRIVATE VRNroads JNI VRNtext VRNfatal MT LEG COL)
  contract_link(vrn_java vrn_core sockmod2)
  vrn_shared_library(vrn_java)
  if(NOT WIN32)
    target_link_options(vrn_java PRIVATE -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/vrn_java.map)
    set_property(TARGET vrn_java APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/vrn_java.map)
  endif()
endif()
