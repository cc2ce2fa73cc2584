# Cost of text labels: formatting and laying out a changing score label, as indicators do each frame.
zf_add_bench(bench_text
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_text.cpp
  LIBS zf_engine_text)
