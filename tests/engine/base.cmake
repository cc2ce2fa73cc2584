zf_add_test(test_engine_base
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_log.cpp
  LIBS zf_engine_base)
