# tessary_add_test(NAME SOURCES src... [LIBS lib...] [LABELS label...] [OWN_MAIN])
# Builds one GoogleTest executable and registers each of its tests with CTest, with the given
# CTest labels. With OWN_MAIN the sources bring their own main(); otherwise GoogleTest's is
# used. Cross-built for Windows, the executables are listed in test-programs.txt instead, for
# scripts/windows-test to run each under Wine once.
include(GoogleTest)
if(CMAKE_CROSSCOMPILING)
  # GoogleTest from Debian's sources, built with the cross compiler.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")
else()
  find_package(GTest REQUIRED)
endif()

function(tessary_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "OWN_MAIN" "" "SOURCES;LIBS;LABELS")
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE tessary_test_support ${ARG_LIBS} GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE tessary_test_support ${ARG_LIBS} GTest::gtest_main)
  endif()
  if(CMAKE_CROSSCOMPILING)
    set_property(GLOBAL APPEND PROPERTY TESSARY_TEST_PROGRAMS "$<TARGET_FILE:${name}>")
    return()
  endif()
  set(properties)
  if(ARG_LABELS)
    set(properties PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 ${properties})
endfunction()

# Writes test-programs.txt, one test executable a line; call once, after the last test.
function(tessary_list_test_programs)
  get_property(programs GLOBAL PROPERTY TESSARY_TEST_PROGRAMS)
  list(JOIN programs "\n" text)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/test-programs.txt CONTENT "${text}\n")
endfunction()
