# Shared part of the two mingw-w64 toolchains: the posix thread model (std::mutex works),
# and static linking so that every .exe stands alone.
set(CMAKE_C_COMPILER ${TAVISTO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVISTO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVISTO_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAVISTO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Prefer the static zlib over its import library.
set(ZLIB_LIBRARY /usr/${TAVISTO_MINGW_TRIPLE}/lib/libz.a CACHE FILEPATH "static zlib")
set(ZLIB_INCLUDE_DIR /usr/${TAVISTO_MINGW_TRIPLE}/include CACHE PATH "zlib headers")
