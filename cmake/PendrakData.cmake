# Data/ (settings and language files) is copied beside the programs at build
# time; targets that need it depend on pendrak_data.
file(GLOB PENDRAK_DATA_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/Data/*)
set(PENDRAK_DATA_STAMP ${CMAKE_BINARY_DIR}/bin/Data/.stamp)
add_custom_command(
  OUTPUT ${PENDRAK_DATA_STAMP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin/Data
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PENDRAK_DATA_FILES} ${CMAKE_BINARY_DIR}/bin/Data/
  COMMAND ${CMAKE_COMMAND} -E touch ${PENDRAK_DATA_STAMP}
  DEPENDS ${PENDRAK_DATA_FILES}
  COMMENT "Copying Data/ beside the programs")
add_custom_target(pendrak_data ALL DEPENDS ${PENDRAK_DATA_STAMP})
