# tavisto_add_gtest(name SOURCES ... LIBS ... [LABELS ...] [PREFIX_LOCK name])
# One GoogleTest program per subsystem. Cross builds run it under Wine in the build's own
# prefix, which the wineprefix fixture creates once before any test needs it.
function(tavisto_add_gtest name)
  cmake_parse_arguments(T "" "PREFIX_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE tavisto_settings ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 900)
  if(CMAKE_CROSSCOMPILING)
    tavisto_use_wineprefix(${name})
    if(T_PREFIX_LOCK)
      # Tests that change shared machine state (HKCU\Software\Velmo, the desktop) take turns.
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${T_PREFIX_LOCK})
    endif()
  endif()
endfunction()

# Makes a test run in this build's Wine prefix, after the prefix has been created.
function(tavisto_use_wineprefix test)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
    "WINEPREFIX=${TAVISTO_TEST_WINEPREFIX}" "WINEDEBUG=-all")
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wineprefix)
endfunction()
