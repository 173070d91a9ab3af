bp_add_bench(bench_print SOURCES print_bench.cpp LIBS bp_print_view)
