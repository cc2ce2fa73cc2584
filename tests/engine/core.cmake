zf_add_test(test_engine_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/core_recording.cpp
          ${CMAKE_CURRENT_LIST_DIR}/core_engine.cpp
          ${CMAKE_CURRENT_LIST_DIR}/core_input.cpp
          ${CMAKE_CURRENT_LIST_DIR}/core_scene.cpp
  LIBS zf_engine_core)
