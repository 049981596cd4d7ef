# The shipped executables, Uninst.exe and ExeAdder.exe: what the nested build of a Windows tree
# makes (cmake/NestedProduct.cmake), with the win32 thread-model compilers.
#
# Small as well as loadable. --gc-sections alone removes little from a PE image (the unwind
# tables refer to every function), so link-time optimisation drops what the program never calls
# before any code is emitted.
set(LEAN_COMPILE -Os -flto -ffunction-sections -fdata-sections)
foreach(library uninst_shared uninst_core exeadder_core)
  target_compile_options(${library} PRIVATE ${LEAN_COMPILE})
endforeach()
set(UNINST_EXE_DIR ${CMAKE_BINARY_DIR} CACHE PATH "Where the shipped executables are written")

# Stated rather than left to the linker's defaults: the loaders of Windows 95 and NT 4.0 refuse
# an image that asks for a later system; ASLR and DEP where later systems offer them. One
# link-time partition: with two, GCC 12 for MinGW fails on some inlined copies (an internal
# compiler error, or a reference to a privatised function left undefined).
set(SHIPPED_LINK ${LEAN_COMPILE} -flto-partition=one -s -Wl,--gc-sections
    -Wl,--major-os-version,4,--minor-os-version,0
    -Wl,--major-subsystem-version,4,--minor-subsystem-version,0
    -Wl,--dynamicbase,--nxcompat)

# add_shipped_program(<name> <library> <sources>...): one shipped executable, with the lean
# runtime (base/uLeanRuntime_win.cpp) that leaves out what the programs never use.
function(add_shipped_program name library)
  add_executable(${name} ${ARGN} ${UNINST_LEAN_RUNTIME})
  target_link_libraries(${name} PRIVATE ${library})
  target_compile_options(${name} PRIVATE ${LEAN_COMPILE})
  target_link_options(${name} PRIVATE ${SHIPPED_LINK})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${UNINST_EXE_DIR})
endfunction()

add_shipped_program(Uninst uninst_core app/Uninst_win.cpp resources/Uninst.rc)
set_target_properties(Uninst PROPERTIES WIN32_EXECUTABLE ON)
add_shipped_program(ExeAdder exeadder_core exeadder/ExeAdder.cpp)
