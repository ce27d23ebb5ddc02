# tavisto_add_gtest(name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest program per subsystem. Cross builds run it under Wine on a machine of its own.
function(tavisto_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE tavisto_settings ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 900)
  if(CMAKE_CROSSCOMPILING)
    tavisto_use_wineprefix(${name})
  endif()
endfunction()

# What the tests make once per test run and share across the builds of a source tree (the
# presets' build/<preset> folders share build/): the booted Wine prefix, data trees. A build
# folder elsewhere keeps its own.
cmake_path(GET CMAKE_BINARY_DIR PARENT_PATH _tavisto_build_parent)
if(_tavisto_build_parent STREQUAL "${PROJECT_SOURCE_DIR}/build")
  set(TAVISTO_SHARED_TEST_DATA ${_tavisto_build_parent})
else()
  set(TAVISTO_SHARED_TEST_DATA ${CMAKE_BINARY_DIR})
endif()

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# One Wine prefix is booted per test run (TAVISTO_WINE_TEMPLATE, shared by the builds: the 32-bit
# build runs in a 64-bit prefix, as on 64-bit Windows) and each test gets a copy of it, made just
# before the test runs: a machine of its own, with its own Wine server and desktop, so that tests
# that change machine state (HKCU\Software\Velmo, the desktop) run side by side, and a busy test
# does not slow the others down through a shared server.
set(TAVISTO_WINE_TEMPLATE ${TAVISTO_SHARED_TEST_DATA}/wine-template)

# Makes a test run under Wine on a machine of its own: build/<preset>/wine/<test> (home beside it).
function(tavisto_use_wineprefix test)
  set(prefix ${CMAKE_BINARY_DIR}/wine/${test})
  add_test(NAME ${test}_machine
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/support/wine_prefix.py ${TAVISTO_WINE_TEMPLATE} ${prefix})
  set_tests_properties(${test}_machine PROPERTIES FIXTURES_SETUP ${test}_machine TIMEOUT 600)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "WINEPREFIX=${prefix}" "WINEDEBUG=-all")
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED ${test}_machine)
endfunction()
