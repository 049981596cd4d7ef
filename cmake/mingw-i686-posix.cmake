# 32-bit Windows, posix thread model: the tests. GoogleTest needs it (the win32 model's
# libstdc++ has no std::mutex); -static keeps imports to system DLLs. The shipped programs use
# mingw-i686-win32.cmake.
set(UNINST_MINGW_ARCH i686)
set(UNINST_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
