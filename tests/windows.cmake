# The manual scan and About windows, driven through their real widgets.
rozivoda_add_test(tst_frmmanual LIBS windows)
rozivoda_add_test(tst_frmabout LIBS app_lib)
