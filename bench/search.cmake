bp_add_bench(bench_search SOURCES search_bench.cpp LIBS bp_search)
