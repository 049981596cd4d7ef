# The shipped executables, Uninst.exe and ExeAdder.exe: what the nested build of a Windows tree
# makes (cmake/NestedProduct.cmake), with the win32 thread-model compilers.
#
# Small as well as loadable. --gc-sections alone removes little from a PE image (the unwind
# tables refer to every function), so link-time optimisation drops what the program never calls
# before any code is emitted.
set(LEAN_COMPILE -Os -flto -ffunction-sections -fdata-sections -fno-rtti -fno-threadsafe-statics)
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

# The linker's own script with the start-up tables (.CRT) and the thread-local block (.tls) moved
# to the end of .data: each a section of its own would take a whole file block for a few bytes.
# Made from the linker that links, so that everything else stays as that linker lays it out.
function(write_folded_link_script path)
  execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE verbose RESULT_VARIABLE failed)
  string(REGEX MATCH "\n=+\n(.*)\n=+\n" unused "${verbose}")
  set(script "${CMAKE_MATCH_1}")
  set(folded "")
  foreach(section CRT tls)
    set(block_pattern "\n  \\.${section} BLOCK\\(__section_alignment__\\) :\n  {\n([^}]*)\n  }")
    string(REGEX MATCH "${block_pattern}" block "${script}")
    if(failed OR block STREQUAL "")
      message(FATAL_ERROR "no .${section} section in the default script of ${CMAKE_LINKER}")
    endif()
    string(APPEND folded "    . = ALIGN(8);\n${CMAKE_MATCH_1}\n")
    string(REPLACE "${block}" "" script "${script}")
    if(section STREQUAL "CRT")
      # The runtime's tables that the script does not name (the thread-local initialisers,
      # .CRT$XD*), which would otherwise make a .CRT section of their own.
      string(APPEND folded "    KEEP (*(SORT(.CRT$*)))\n")
    endif()
  endforeach()
  set(data_end "    __data_end__ = . ;\n")
  string(FIND "${script}" "${data_end}" at)
  if(at LESS 0)
    message(FATAL_ERROR "no end of .data in the default script of ${CMAKE_LINKER}")
  endif()
  string(REPLACE "${data_end}" "${folded}${data_end}" script "${script}")
  file(WRITE ${path} "${script}\n")
endfunction()
set(FOLDED_LINK_SCRIPT ${CMAKE_BINARY_DIR}/folded-sections.ld)
write_folded_link_script(${FOLDED_LINK_SCRIPT})
list(APPEND SHIPPED_LINK -Wl,-T,${FOLDED_LINK_SCRIPT})

# add_shipped_program(<name> <library> <sources>...): one shipped executable, with the lean
# runtime (base/uLeanRuntime_win.cpp) that leaves out what the programs never use.
function(add_shipped_program name library)
  add_executable(${name} ${ARGN} ${UNINST_LEAN_RUNTIME})
  target_link_libraries(${name} PRIVATE ${library})
  target_compile_options(${name} PRIVATE ${LEAN_COMPILE})
  target_link_options(${name} PRIVATE ${SHIPPED_LINK})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${UNINST_EXE_DIR}
                                           LINK_DEPENDS ${FOLDED_LINK_SCRIPT})
endfunction()

add_shipped_program(Uninst uninst_core app/Uninst_win.cpp resources/Uninst.rc)
set_target_properties(Uninst PROPERTIES WIN32_EXECUTABLE ON)
add_shipped_program(ExeAdder exeadder_core exeadder/ExeAdder.cpp)
