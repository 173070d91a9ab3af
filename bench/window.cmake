bp_add_bench(bench_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_bench.cpp LIBS bp_app Qt6::Test)
target_compile_definitions(bench_window PRIVATE BP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
