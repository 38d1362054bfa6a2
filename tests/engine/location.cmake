# The proposed install folder, version codes and disk-space texts. The tests
# that read and write HKLM\Software\Vellomar take the lock that every test of
# the installation's registry keys and shortcuts shares.
vl_add_test(location_test
    SOURCES location_test.cpp install_state.cpp
    LIBS engine)
set_tests_properties(location_test PROPERTIES RESOURCE_LOCK vellomar_install_state)

# The disk-space line inside a page (the one engine function with a window).
vl_add_test(space_text_test
    SOURCES space_text_test.cpp
    LIBS engine)
