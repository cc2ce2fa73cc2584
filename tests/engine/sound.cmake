zf_add_test(test_engine_sound_queue
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sound_queue_test.cpp
  LIBS zf_engine_sound)

zf_add_test(test_engine_sound_keeper
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sound_keeper_test.cpp
  LIBS zf_engine_sound)
