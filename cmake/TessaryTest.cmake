# tessary_add_test(NAME SOURCES src... [LIBS lib...])
# Builds one GoogleTest executable and registers each of its tests with CTest.
include(GoogleTest)
find_package(GTest REQUIRED)

function(tessary_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;LIBS")
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE tessary_test_support ${ARG_LIBS} GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endfunction()
