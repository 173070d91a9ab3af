bp_add_bench(bench_qpile SOURCES qpile_bench.cpp LIBS bp_qpile)
target_compile_definitions(bench_qpile PRIVATE BP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
