zf_add_bench(bench_base
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_base.cpp
  LIBS zf_engine_base zf_pakbuild)
