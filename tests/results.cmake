# The result file format.
rozivoda_add_test(tst_resultfile LIBS results)
