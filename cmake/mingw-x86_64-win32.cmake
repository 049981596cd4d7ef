# 64-bit Windows, win32 thread model: the program as the 64-bit route's end-to-end tier runs it,
# built exactly as the shipped 32-bit one is.
set(UNINST_MINGW_ARCH x86_64)
set(UNINST_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
