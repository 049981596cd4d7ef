# 64-bit Windows, posix thread model: the tests of the 64-bit route, for machines whose kernel
# runs no 32-bit program (and so no 32-bit Wine). Same sources, run under 64-bit Wine.
set(UNINST_MINGW_ARCH x86_64)
set(UNINST_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
