# Cost of one update and one drawn frame of the game field.
zf_add_bench(bench_field
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_field.cpp
  LIBS zf_field zf_engine_core)
