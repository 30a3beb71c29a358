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
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} LoopbackEnvironment TestSupport
                        GTest::gtest GTest::gmock GTest::gtest_main)
  # Table tests are named by their name generators; NO_PRETTY_VALUES keeps
  # gtest's print of the parameter (a byte dump for a plain struct) out of
  # the ctest names.
  gtest_discover_tests(${name}
    NO_PRETTY_VALUES
    TEST_FILTER -TestEnvironment.*
    PROPERTIES LABELS ${ARG_LABEL}
    DISCOVERY_TIMEOUT 60)
  # Whatever the caller's environment, the program's tests see loopback only
  # (testsupport/loopbackenv.cpp). Passes only when the check ran and passed.
  foreach(_case IN ITEMS
      "ForeignSettings;VERANTA_HOST_IP=10.1.2.3;VERANTA_MULTICAST_IF=10.1.2.3"
      "MissingSettings;--unset=VERANTA_HOST_IP;--unset=VERANTA_MULTICAST_IF")
    list(POP_FRONT _case _what)
    add_test(NAME ${name}.StaysOnLoopbackDespite${_what}
      COMMAND ${CMAKE_COMMAND} -E env ${_case}
              $<TARGET_FILE:${name}> --gtest_filter=TestEnvironment.*)
    set_tests_properties(${name}.StaysOnLoopbackDespite${_what} PROPERTIES
      LABELS ${ARG_LABEL}
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\.")
  endforeach()
endfunction()
