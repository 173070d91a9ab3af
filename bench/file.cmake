bp_add_bench(bench_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_bench.cpp LIBS bp_editor_model bp_common)
