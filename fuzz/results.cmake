# Coverage and sanitizers inside the reader itself, not only in the harness, so
# that the fuzzer is guided by the parsing code.
target_compile_options(results PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
rozivoda_add_fuzzer(fuzz_resultfile LIBS results)
