bp_add_bench(bench_replace SOURCES replace_bench.cpp LIBS bp_search)
