# Textures, sprites and batched rendering, frame animations, geometry, rect sets and the screen fader.
add_library(zf_engine_render STATIC
  ${CMAKE_CURRENT_LIST_DIR}/engine_polygon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_curve.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_texture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_anim.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_rectset.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cross_fader.cpp
)
target_include_directories(zf_engine_render PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zf_engine_render PUBLIC zf_engine_core PkgConfig::SDL2_IMAGE)
