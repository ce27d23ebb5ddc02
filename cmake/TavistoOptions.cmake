# Compiler settings every target of ours gets through tavisto_settings (not third-party code).
add_library(tavisto_settings INTERFACE)
target_compile_features(tavisto_settings INTERFACE cxx_std_20)
target_compile_options(tavisto_settings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
if(TAVISTO_WERROR)
  target_compile_options(tavisto_settings INTERFACE -Werror)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # g++ 12 at -O3 warns of overlapping copies inside std::string concatenation that cannot
  # happen (GCC bug 105329); the 32-bit Release build trips it in plain string code.
  target_compile_options(tavisto_settings INTERFACE -Wno-restrict)
endif()
target_include_directories(tavisto_settings INTERFACE ${PROJECT_SOURCE_DIR})
if(WIN32)
  # The program speaks the A functions of the API in the system code page.
  target_compile_definitions(tavisto_settings INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(TAVISTO_SANITIZE OR TAVISTO_TSAN)
  # A sanitized build is there to catch faults, not to be fast: -O1, which the sanitizers' own
  # documentation recommends, and line tables only, which is all their reports need: both
  # compile faster than -O2 -g.
  add_compile_options(-O1 -g1)
endif()

if(TAVISTO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TAVISTO_TSAN)
  # halt_on_error (in the test preset) turns every race report into a failed test.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(TAVISTO_FUZZ)
  # Every library is instrumented for libFuzzer's coverage; only the fuzzers link its runtime.
  add_compile_options(-O1 -g1 -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
