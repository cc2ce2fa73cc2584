zf_add_test(test_shell
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/shell_progression.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shell_sceneloop.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shell_settings.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shell_entry.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shell_player.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shell_startup.cpp
  LIBS zf_shell)
