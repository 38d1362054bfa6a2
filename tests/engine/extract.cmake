# Directory creation and the extraction worker.
vl_add_test(directory_test
    SOURCES directory_test.cpp install_state.cpp
    LIBS engine)
