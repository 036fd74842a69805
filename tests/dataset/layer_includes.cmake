# Fails when a source of the dataset layer includes an engine header other
# than the call interface's, the column types' and the error codes': the
# layer reaches the engine through the calls only, never through its objects.
file(GLOB SOURCES ${DATASET_DIR}/*.h ${DATASET_DIR}/*.cpp)
set(FOUND "")
foreach(SOURCE ${SOURCES})
  file(STRINGS ${SOURCE} LINES REGEX "^#include \"engine/")
  foreach(LINE ${LINES})
    if(NOT LINE MATCHES "^#include \"engine/(api/calls/[a-z_]+_calls\\.h|api/calls/call_types\\.h|api/session_errors\\.h|types/|errors/error_codes\\.h)")
      list(APPEND FOUND "${SOURCE}: ${LINE}")
    endif()
  endforeach()
endforeach()
if(FOUND)
  message(FATAL_ERROR "the dataset layer reaches engine objects:\n${FOUND}")
endif()
