bp_add_bench(bench_recovery SOURCES ${CMAKE_CURRENT_LIST_DIR}/recovery_bench.cpp LIBS bp_recovery)
