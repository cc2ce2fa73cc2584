zf_add_test(test_e2e
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e_program.cpp
  LIBS zf_shell PkgConfig::SDL2)
