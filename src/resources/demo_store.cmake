# The demo store: the Maildir trees under demo/ are embedded into velora_resources (a generated
# demo_store_files.cpp) and installed to share/velora/demo for `cmake --install`.

file(GLOB_RECURSE velora_demo_files CONFIGURE_DEPENDS LIST_DIRECTORIES false
     RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/demo ${CMAKE_CURRENT_SOURCE_DIR}/demo/*)
list(SORT velora_demo_files)
set(velora_demo_absolute)
foreach(file ${velora_demo_files})
  list(APPEND velora_demo_absolute ${CMAKE_CURRENT_SOURCE_DIR}/demo/${file})
endforeach()

set(velora_demo_generated ${CMAKE_CURRENT_BINARY_DIR}/demo_store_files.cpp)
add_custom_command(
  OUTPUT ${velora_demo_generated}
  COMMAND ${CMAKE_COMMAND} -DDEMO_DIR=${CMAKE_CURRENT_SOURCE_DIR}/demo
          -DOUTPUT=${velora_demo_generated}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/demo_store_embed.cmake
  DEPENDS ${velora_demo_absolute} ${CMAKE_CURRENT_SOURCE_DIR}/demo_store_embed.cmake
  COMMENT "Embedding the demo store"
  VERBATIM)
target_sources(velora_resources PRIVATE ${velora_demo_generated})

install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velora/demo)
