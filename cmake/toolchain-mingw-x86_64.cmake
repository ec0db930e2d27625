# Cross build for 64-bit Windows with Debian's mingw-w64 (x86_64): the same program as the
# 32-bit build, for machines that run no 32-bit Windows programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QS_MINGW_TRIPLE x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake")
