bp_add_bench(bench_bulk SOURCES ${CMAKE_CURRENT_LIST_DIR}/bulk_bench.cpp LIBS bp_aids)
