# The scan tick's cost with an empty and a ten-million-cell table, and the
# evenness of the scan term against the simulated scanner.
rozivoda_add_bench(bench_scan LIBS app_lib scannersim)
target_include_directories(bench_scan PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests)
