# The particle system and the particle adapter.
zf_add_test(test_engine_pyro
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/pyro_particles.cpp
          ${CMAKE_CURRENT_LIST_DIR}/pyro_adapter.cpp
          ${CMAKE_CURRENT_LIST_DIR}/pyro_pixels.cpp
  LIBS zf_engine_pyro)
