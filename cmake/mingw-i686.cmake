# Cross-build for 32-bit Windows with MinGW-w64: the tests. The posix thread model is needed for
# GoogleTest (the win32 model's libstdc++ has no std::mutex); -static keeps imports to system DLLs.
# The shipped programs use mingw-i686-win32.cmake instead.
set(UNINST_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)

# Test binaries run under Wine in the build tree's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
