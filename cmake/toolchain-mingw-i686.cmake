# Cross build for 32-bit Windows with Debian's mingw-w64 (i686): the product's installer program.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QS_MINGW_TRIPLE i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake")
