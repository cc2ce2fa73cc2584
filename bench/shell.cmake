# Whole-program start-up: time from process start to the first presented frame, and peak memory.
zf_add_bench(bench_startup
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp
  LIBS zf_shell PkgConfig::SDL2 ${CMAKE_DL_LIBS})
