# A layer of the program: one static library per folder of quavrel/, whose headers everyone
# includes by their path from the repository's root ("quavrel/engine/pipeline/rip_pipeline.h").
#   quavrel_layer(NAME SOURCES files... [PUBLIC libs...] [PRIVATE libs...])
function(quavrel_layer name)
  cmake_parse_arguments(LAYER "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${LAYER_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${LAYER_PUBLIC} PRIVATE ${LAYER_PRIVATE})
  quavrel_warnings(${name})
endfunction()
