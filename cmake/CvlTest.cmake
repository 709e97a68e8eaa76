# cvl_add_test(<name> SOURCES ... LIBS ... [LABELS <label>])
# One GoogleTest program per module; its tests are named "<name>.<Suite>.<Test>" in ctest. The label sorts the tests for the runs of scripts/test (one
# label at most: the discovery flattens a list, and what follows the first would be read as a
# property name):
#   gui  - needs an X display (runs under Xvfb, never under the sanitizers)
#   tsan - concurrency tests that also run under ThreadSanitizer
function(cvl_add_test name)
  cmake_parse_arguments(T "" "LABELS" "SOURCES;LIBS" ${ARGN})
  set(properties TIMEOUT 300)
  if(T_LABELS)
    list(APPEND properties LABELS ${T_LABELS})
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    TEST_PREFIX "${name}."
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ${properties})
endfunction()
