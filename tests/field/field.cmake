# The game field: configuration and geometry, graph objects, ball types, the balls and tile layers.
zf_add_test(test_field
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/field_config_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_graph_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_depot_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_balls_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_tiles_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_data_test.cpp
  LIBS zf_field)
# A small hand-made level drawn by the real engine core on the software renderer.
zf_add_test(test_field_pixels
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/field_pixels_test.cpp
  LIBS zf_field zf_engine_core)
