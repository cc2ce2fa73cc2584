# Cost of an empty frame and of a batched quad draw on the software renderer.
zf_add_bench(bench_frame
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_frame.cpp
  LIBS zf_engine_core)
