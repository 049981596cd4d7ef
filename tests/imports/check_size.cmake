# cmake -DFILE=EXE -DCEILING=BYTES -P check_size.cmake: fails when EXE is missing or larger.
if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "${FILE}: missing")
endif()
file(SIZE "${FILE}" size)
if(size GREATER CEILING)
  message(FATAL_ERROR "${FILE}: ${size} bytes, more than the ceiling of ${CEILING}")
endif()
message(STATUS "${FILE}: ${size} bytes (ceiling ${CEILING})")
