# The whole program against the simulated scanner on a pseudo-terminal, with
# real timers: it runs for about a minute.
rozivoda_add_test(tst_endtoend LIBS app_lib scannersim)
set_tests_properties(tst_endtoend PROPERTIES TIMEOUT 300)
