# The ripper component TCDRIP over the linked ripping library (libCDRip).
list(APPEND ENGINE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cd_rip.cpp ${CMAKE_CURRENT_LIST_DIR}/cd_rip.h
  ${CMAKE_CURRENT_LIST_DIR}/cd_rip_types.cpp ${CMAKE_CURRENT_LIST_DIR}/cd_rip_types.h
  ${CMAKE_CURRENT_LIST_DIR}/track_list.h
  ${CMAKE_CURRENT_LIST_DIR}/wav_header.cpp ${CMAKE_CURRENT_LIST_DIR}/wav_header.h)
list(APPEND ENGINE_LIBS CDRip)
