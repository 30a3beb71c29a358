# Helpers that give every library the same shape:
#   <Folder>/*.h *.cpp        the library, include root = parent folder
#   <Folder>/tests/*.cpp      its GoogleTest program, labelled after the library

# tessel_library(NAME [DEPS lib...] [SOURCES file...])
# Without SOURCES the folder's *.cpp files are the library.
function(tessel_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_library(${name} ${ARG_SOURCES})
  get_filename_component(_root ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
  target_include_directories(${name} PUBLIC ${_root})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# tessel_tests(NAME LABEL label [DEPS lib...] [SOURCES file...])
# Without SOURCES the folder's tests/*.cpp files make the test program.
function(tessel_tests name)
  if(NOT TESSEL_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "LABEL" "DEPS;SOURCES" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} TestSupport GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${ARG_LABEL}
    DISCOVERY_TIMEOUT 60)
endfunction()
