# 32-bit Windows, win32 thread model: the shipped executables. The posix model links
# winpthreads, which imports kernel32 functions that Windows 95/98/Me, NT 4.0 and XP do not
# export (GetTickCount64, the vectored exception handlers, ...), and the loader refuses such an
# executable before any of our code runs.
set(UNINST_MINGW_ARCH i686)
set(UNINST_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
