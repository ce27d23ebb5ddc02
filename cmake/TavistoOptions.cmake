# Compiler settings every target of ours gets through tavisto_settings (not third-party code).
add_library(tavisto_settings INTERFACE)
target_compile_features(tavisto_settings INTERFACE cxx_std_20)
target_compile_options(tavisto_settings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
if(TAVISTO_WERROR)
  target_compile_options(tavisto_settings INTERFACE -Werror)
endif()
target_include_directories(tavisto_settings INTERFACE ${PROJECT_SOURCE_DIR})
if(WIN32)
  # The program speaks the A functions of the API in the system code page.
  target_compile_definitions(tavisto_settings INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(TAVISTO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
