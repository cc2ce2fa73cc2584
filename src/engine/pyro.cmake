# The particle system (emitter library, emitters, particles) and CPyro2, the emitter container
# the game's objects own.
add_library(zf_engine_pyro STATIC
  ${CMAKE_CURRENT_LIST_DIR}/engine_particles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_pyro2.cpp
)
target_include_directories(zf_engine_pyro PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zf_engine_pyro PUBLIC zf_engine_render pugixml::pugixml)
