# The dialog toolkit: controls, the catalogue, dialogs and sliding dialogs.
zf_add_test(test_gui
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/gui_test_util.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_base_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_controls_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_input_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_bars_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_dialog_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_property_test.cpp
  LIBS zf_gui)

# The dialog gallery on the real engine core and the software renderer, against its reference sheet.
zf_add_test(test_gui_gallery
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gui_gallery_test.cpp
  LIBS zf_gui)
