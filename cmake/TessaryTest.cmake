# tessary_add_test(NAME SOURCES src... [LIBS lib...] [LABELS label...] [OWN_MAIN])
# Builds one GoogleTest executable and registers each of its tests with CTest, with the given
# CTest labels. With OWN_MAIN the sources bring their own main(); otherwise GoogleTest's is
# used.
include(GoogleTest)
find_package(GTest REQUIRED)

function(tessary_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "OWN_MAIN" "" "SOURCES;LIBS;LABELS")
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE tessary_test_support ${ARG_LIBS} GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE tessary_test_support ${ARG_LIBS} GTest::gtest_main)
  endif()
  set(properties)
  if(ARG_LABELS)
    set(properties PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 ${properties})
endfunction()
