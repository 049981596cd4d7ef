# The outer Windows tree builds the tests with the posix thread-model compilers, which GoogleTest
# needs; the shipped executables come from a nested build of this same tree
# (cmake/Product.cmake) with the win32 thread-model compilers of the same target, whose runtime
# imports nothing newer than the oldest supported Windows. Tests depend on `shipped_programs`.
include(ExternalProject)
ExternalProject_Add(shipped_programs
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/product
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-${CMAKE_SYSTEM_PROCESSOR}-win32.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DUNINST_PRODUCT_ONLY=ON
    -DUNINST_EXE_DIR=${CMAKE_BINARY_DIR}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/Uninst.exe ${CMAKE_BINARY_DIR}/ExeAdder.exe
  USES_TERMINAL_BUILD ON)
