# Frame cost of the particle system.
zf_add_bench(bench_particles
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_particles.cpp
  LIBS zf_engine_pyro)
