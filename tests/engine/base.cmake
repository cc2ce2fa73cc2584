zf_add_test(test_engine_base
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/test_log.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_helpers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_paramvalue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_stopwatch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_filesys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_xml.cpp
    ${CMAKE_CURRENT_LIST_DIR}/base_xml_roundtrip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/base_startup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_layout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_sehtrans.cpp
  LIBS zf_engine_base zf_pakbuild)
