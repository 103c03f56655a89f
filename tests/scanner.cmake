rozivoda_add_test(tst_replyparser LIBS scan)
rozivoda_add_test(tst_scannerlink LIBS scan)
rozivoda_add_test(tst_simulator_pty LIBS scan scannersim)
