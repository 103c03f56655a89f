rozivoda_add_fuzzer(fuzz_replyparse LIBS scan)
