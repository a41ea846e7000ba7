# Makes the program's default data at build time, so that a fresh build can run: the globe
# model "5.x" and its texture beside the executable, "earthmap.bmp" in maps/ (the folder the
# program is started in).
set(SKERROWEN_EARTH_PICTURE /usr/share/xplanet/images/earth.jpg
    CACHE FILEPATH "Equirectangular Earth picture (NASA Blue Marble, Debian xplanet-images)")

add_executable(make_earth_data ${CMAKE_CURRENT_LIST_DIR}/make_earth_data.cpp)
target_link_libraries(make_earth_data PRIVATE Qt6::Gui)

set(earth_data_outputs ${CMAKE_BINARY_DIR}/5.x ${CMAKE_BINARY_DIR}/earth.jpg ${CMAKE_BINARY_DIR}/maps/earthmap.bmp)
add_custom_command(
  OUTPUT ${earth_data_outputs}
  COMMAND make_earth_data ${SKERROWEN_EARTH_PICTURE} ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/maps
  DEPENDS make_earth_data ${SKERROWEN_EARTH_PICTURE}
  COMMENT "Making the default Earth data from ${SKERROWEN_EARTH_PICTURE}"
  VERBATIM)
add_custom_target(earth_data ALL DEPENDS ${earth_data_outputs})
