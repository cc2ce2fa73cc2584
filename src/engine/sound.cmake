# Sound: the sound keeper (samples on SDL_mixer channels, tracker music through libopenmpt) and
# the per-frame sound queue with its music fades.
add_library(zf_engine_sound STATIC
  ${CMAKE_CURRENT_LIST_DIR}/engine_sound.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_sound_mixer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_soundqueue.cpp
)
target_include_directories(zf_engine_sound PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zf_engine_sound PUBLIC zf_engine_base PkgConfig::SDL2_MIXER PkgConfig::OPENMPT)
