zf_add_test(test_engine_text
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/text_keeper.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_label.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_cursor.cpp
  LIBS zf_engine_text)
