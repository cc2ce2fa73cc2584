zf_add_test(test_engine_sound_queue
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sound_queue_test.cpp
  LIBS zf_engine_sound)

zf_add_test(test_engine_sound_keeper
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sound_keeper_test.cpp
  LIBS zf_engine_sound)

# Runs on SDL's disk audio driver (the test sets it) and reads back what was written.
zf_add_test(test_engine_sound_disk
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sound_disk_test.cpp
  LIBS zf_engine_sound)
