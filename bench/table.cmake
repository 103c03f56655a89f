rozivoda_add_bench(bench_resulttable LIBS scan Qt6::Widgets)
