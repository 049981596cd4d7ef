# The one rule that picks a folder's sources for a build: foo.cpp builds everywhere (no
# <windows.h>), foo_win.cpp only for Windows, foo_posix.cpp only natively (the portable stand-in
# of a Windows sibling). Used by the main tree and the fuzz tree alike.
get_filename_component(UNINST_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# uninst_sources(<out> <folder>...): the sources of those folders of the tree for this target.
function(uninst_sources out)
  set(picked)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${UNINST_SOURCE_ROOT}/${dir}/*.cpp)
    foreach(src IN LISTS found)
      if(src MATCHES "_win\\.cpp$")
        if(WIN32)
          list(APPEND picked ${src})
        endif()
      elseif(src MATCHES "_posix\\.cpp$")
        if(NOT WIN32)
          list(APPEND picked ${src})
        endif()
      else()
        list(APPEND picked ${src})
      endif()
    endforeach()
  endforeach()
  set(${out} ${picked} PARENT_SCOPE)
endfunction()
