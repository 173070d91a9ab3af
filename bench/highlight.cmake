bp_add_bench(bench_highlight SOURCES highlight_bench.cpp LIBS bp_highlight)
