zf_add_test(test_engine_render
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/render_geometry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_texture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_texture_limits.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_sprites.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_anim.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_rectset_fader.cpp
  LIBS zf_engine_render)
# The real engine core on the software renderer, compared with a reference picture.
zf_add_test(test_engine_render_pixels
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_pixels.cpp
  LIBS zf_engine_render)
