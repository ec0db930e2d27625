# The part of the mingw-w64 cross toolchains that both targets share. The including toolchain
# file sets CMAKE_SYSTEM_PROCESSOR and QS_MINGW_TRIPLE first.
#
# The posix thread model is required: the win32-model compilers have no std::mutex or
# std::thread, and googletest does not build with them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QS_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${QS_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QS_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${QS_MINGW_TRIPLE}-strip CACHE FILEPATH "")
set(CMAKE_OBJCOPY ${QS_MINGW_TRIPLE}-objcopy CACHE FILEPATH "")

# Libraries and headers for the target come only from the mingw tree (zlib from
# libz-mingw-w64-dev lives there). Never add /usr/include: it holds glibc headers.
set(CMAKE_FIND_ROOT_PATH /usr/${QS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Prefer the static zlib so the programs carry no DLL of their own.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .dll.a)

# Everything links statically: the stub and the test programs run with system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
# Release programs are stripped: the stub's size is what every installer carries.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# ctest runs cross-built test programs through the project's Wine wrapper, which owns the
# test prefixes, the display and the long-lived wineserver. Its default prefix is a 64-bit one,
# where both builds run.
get_filename_component(_qs_repo_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_qs_repo_root}/scripts/wine-run")
