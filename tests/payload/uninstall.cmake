# The uninstaller's decisions on plain lists, then whole installations under
# Wine removed by the real VLUninstall.exe. The latter touch the product's
# keys and links, so they share the installation lock, and Wine's menu
# builder stays off (it would copy every link into the Linux desktop).
vl_add_test(uninstall_plan_test
    SOURCES uninstall_plan_test.cpp
    LIBS uninstall_plan)

configure_file(${CMAKE_SOURCE_DIR}/tests/engine/install_payload.rc.in
               ${CMAKE_CURRENT_BINARY_DIR}/uninstall_payload.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/uninstall_payload.rc PROPERTIES
    OBJECT_DEPENDS ${VL_DEFAULT_PAYLOAD})
vl_add_test(uninstall_test
    SOURCES uninstall_test.cpp ${CMAKE_SOURCE_DIR}/tests/engine/install_state.cpp ${CMAKE_SOURCE_DIR}/app/running_app.cpp
    RESOURCES ${CMAKE_CURRENT_BINARY_DIR}/uninstall_payload.rc
    LIBS engine uninstall_plan)
add_dependencies(uninstall_test default_payload)
set_tests_properties(uninstall_test PROPERTIES
    RESOURCE_LOCK vellomar_install_state
    ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=")
