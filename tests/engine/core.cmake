zf_add_test(test_engine_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/core_recording.cpp
          ${CMAKE_CURRENT_LIST_DIR}/core_engine.cpp
          ${CMAKE_CURRENT_LIST_DIR}/core_input.cpp
          ${CMAKE_CURRENT_LIST_DIR}/core_scene.cpp
  LIBS zf_engine_core)

# A scene under a virtual X display: the program drawn by the test below.
add_executable(core_xvfb_scene ${CMAKE_CURRENT_LIST_DIR}/core_xvfb_scene.cpp)
target_link_libraries(core_xvfb_scene PRIVATE zf_engine_core)
target_include_directories(core_xvfb_scene PRIVATE ${CMAKE_SOURCE_DIR}/tests)
zf_add_test(test_engine_core_xvfb
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/core_xvfb.cpp
  LIBS zf_engine_core)
target_compile_definitions(test_engine_core_xvfb PRIVATE ZF_CORE_XVFB_SCENE="$<TARGET_FILE:core_xvfb_scene>")
add_dependencies(test_engine_core_xvfb core_xvfb_scene)
