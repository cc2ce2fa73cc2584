zf_add_test(test_player
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/player_slot_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/player_profiles_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/player_user_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/player_resources_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/player_prices_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/player_hiscores_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/player_gamevalues_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/player_kill_test.cpp
  LIBS zf_player)
