# The windows and commands, driven through their real widgets.
rozivoda_add_test(tst_mainwindowlayout LIBS app_lib)
rozivoda_add_test(tst_frmmain LIBS app_lib)
rozivoda_add_test(tst_scancycle LIBS app_lib scannersim)
rozivoda_add_test(tst_filecommands LIBS app_lib scannersim)
