# Engine core: window and renderer, the frame cycle, the scene base and the input devices.
add_library(zf_engine_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/engine_core.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_graphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_keytable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_scene.cpp
)
target_include_directories(zf_engine_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zf_engine_core PUBLIC zf_engine_base zf_engine_sound PkgConfig::SDL2 PkgConfig::SDL2_IMAGE)
