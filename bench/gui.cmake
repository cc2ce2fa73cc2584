# Cost of a dialog's frame: the gallery with every control kind, drawn on the software renderer.
zf_add_bench(bench_gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_gui.cpp
  LIBS zf_gui)
target_compile_definitions(bench_gui PRIVATE ZF_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
