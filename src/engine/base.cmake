# Base services: log, checks, clock, user folder, files, XML, tagged values, registry, timers, crash report.
add_library(zf_engine_base STATIC
  ${CMAKE_CURRENT_LIST_DIR}/engine_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_userfolder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_paramvalue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_stopwatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_filesys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_xml.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_sehtrans.cpp
)
target_include_directories(zf_engine_base PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zf_engine_base PUBLIC PkgConfig::SDL2 pugixml::pugixml)
