# MP3 encoder component (LAME_ENC, linked) and the Vorbis binding (Vorbis.DLL, loaded by name).
list(APPEND ENGINE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/component_events.h
  ${CMAKE_CURRENT_LIST_DIR}/file_ext.cpp ${CMAKE_CURRENT_LIST_DIR}/file_ext.h
  ${CMAKE_CURRENT_LIST_DIR}/lame_coder.cpp ${CMAKE_CURRENT_LIST_DIR}/lame_coder.h
  ${CMAKE_CURRENT_LIST_DIR}/vorbis_binding.cpp ${CMAKE_CURRENT_LIST_DIR}/vorbis_binding.h)
list(APPEND ENGINE_LIBS LAME_ENC vorbis_dll_types)
