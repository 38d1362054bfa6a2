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

# A whole installation: the default payload, linked in as "FILE"/129, unpacked
# by the extraction worker, then the six steps.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/install_payload.rc.in ${CMAKE_CURRENT_BINARY_DIR}/install_payload.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/install_payload.rc PROPERTIES
    OBJECT_DEPENDS ${VL_DEFAULT_PAYLOAD})
vl_add_test(install_test
    SOURCES install_test.cpp install_state.cpp
    RESOURCES ${CMAKE_CURRENT_BINARY_DIR}/install_payload.rc
    LIBS engine)
add_dependencies(install_test default_payload)
set_tests_properties(install_test PROPERTIES
    RESOURCE_LOCK vellomar_install_state
    ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=")
