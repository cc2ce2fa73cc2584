zf_add_test(test_engine_text
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/text_keeper.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_label.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_cursor.cpp
  LIBS zf_engine_text)

# Drawn by the real engine core on the software renderer: its own process, with the game's data.
zf_add_test(test_engine_text_pixels
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_pixels.cpp
  LIBS zf_engine_text PkgConfig::SDL2_IMAGE)
