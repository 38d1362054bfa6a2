# The rules a typed install folder must meet, on a played disk and on the
# real one, and the form a folder is stored in.
vl_add_test(install_path_test
    SOURCES install_path_test.cpp
    LIBS engine)
