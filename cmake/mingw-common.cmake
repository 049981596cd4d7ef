# What every MinGW-w64 toolchain of this tree shares. The toolchain file names the target
# (UNINST_MINGW_ARCH: i686 or x86_64) and the thread model's compilers (UNINST_MINGW_THREADS:
# posix for the tests, win32 for the shipped programs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${UNINST_MINGW_ARCH})
set(UNINST_MINGW_TRIPLET ${UNINST_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${UNINST_MINGW_TRIPLET}-gcc-${UNINST_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${UNINST_MINGW_TRIPLET}-g++-${UNINST_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${UNINST_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UNINST_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(UNINST_MINGW_THREADS STREQUAL "posix")
  # Test binaries run under Wine in the build tree's private prefix (scripts/wine-env.sh picks
  # the 32-bit or the 64-bit one from UNINST_WIN_ARCH, which the test presets set).
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
endif()
