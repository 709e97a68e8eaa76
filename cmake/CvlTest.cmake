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
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # Wine exits 0 without a word when it cannot load a program, so a test passes only on the
    # runner's own verdict for it.
    list(APPEND properties
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\.|\\[  SKIPPED \\] 1 test,"
      FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
    set_property(GLOBAL APPEND PROPERTY CVL_TEST_PROGRAMS
      "$<TARGET_FILE:${name}>|${CMAKE_CURRENT_BINARY_DIR}")
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

# Under an emulator, scripts/test-windows runs each test program whole (one Wine start per
# program, not per test) from the list written here: "<program>|<working folder>" a line.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  function(cvl_write_test_programs)
    get_property(programs GLOBAL PROPERTY CVL_TEST_PROGRAMS)
    list(JOIN programs "\n" text)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-programs.txt CONTENT "${text}\n")
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL cvl_write_test_programs)
endif()
