zf_add_test(test_engine_render
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/render_geometry.cpp
  LIBS zf_engine_render)
