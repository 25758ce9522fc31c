# CD access helpers: the binding of the run-time ripping library and the MSF conversions.
list(APPEND ENGINE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cd_access.cpp ${CMAKE_CURRENT_LIST_DIR}/cd_access.h
  ${CMAKE_CURRENT_LIST_DIR}/msf.cpp ${CMAKE_CURRENT_LIST_DIR}/msf.h)
# Headers only: the library itself is loaded by name at run time.
list(APPEND ENGINE_LIBS quavrel_cdrip_headers)
