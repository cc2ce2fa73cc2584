# Cost of the sound queue's per-frame update on the real sound keeper.
zf_add_bench(bench_sound_queue
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_sound_queue.cpp
  LIBS zf_engine_sound)
