# Cross build for 32-bit Windows, the build we ship. Its tests run under wine32 in a 64-bit
# prefix, as a 32-bit program runs on 64-bit Windows (WOW64), where this machine can run them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TAVISTO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run --32)
