# Frame cost of batched sprites on the software renderer.
zf_add_bench(bench_sprites
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_sprites.cpp
  LIBS zf_engine_render)
