# Text: languages and text labels, bitmap fonts and label drawing, the mouse cursors.
add_library(zf_engine_text STATIC
  ${CMAKE_CURRENT_LIST_DIR}/engine_langtext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_cursor.cpp
)
target_include_directories(zf_engine_text PUBLIC ${CMAKE_SOURCE_DIR}/src)
if(TARGET zf_engine_render)
  target_link_libraries(zf_engine_text PUBLIC zf_engine_render)
else()
  target_link_libraries(zf_engine_text PUBLIC zf_engine_base)
endif()
