# Registration steps under Wine. The steps save shell links, so Wine's menu
# builder is switched off for these tests: it would copy every link into the
# Linux desktop and menus. Tests that touch the product's registry keys, links
# or shell folders share one lock.
vl_add_test(registration_test
    SOURCES registration_test.cpp install_state.cpp
    LIBS engine)
set_tests_properties(registration_test PROPERTIES
    RESOURCE_LOCK vellomar_install_state
    ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=")
