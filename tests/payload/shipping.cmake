# Shipping: the icon and version resources of the three programs; build.sh's
# refusals; a sample folder packed with --payload-dir and signed with a
# throwaway certificate authority (its own build tree, made once as a
# fixture), its signatures and archive checked, then installed through the
# wizard and removed again.
set(VL_SHIPPING_ENV "VL_ARCH=${VL_TARGET_ARCH};VL_BIN_DIR=${CMAKE_BINARY_DIR};VL_OUT_DIR=${VL_OUT_DIR};VL_SOURCE_DIR=${CMAKE_SOURCE_DIR};PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/e2e;PYTHONDONTWRITEBYTECODE=1")
foreach(t shipping_resources shipping_version_code shipping_refusals shipping_build shipping_payload)
    add_test(NAME ${t} COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/${t}_test.py)
    set_tests_properties(${t} PROPERTIES ENVIRONMENT "${VL_SHIPPING_ENV}" LABELS "shipping" TIMEOUT 300)
endforeach()
# The folder build compiles the installer once more.
set_tests_properties(shipping_build PROPERTIES FIXTURES_SETUP shipping_folder TIMEOUT 1200)
set_tests_properties(shipping_payload PROPERTIES FIXTURES_REQUIRED shipping_folder)
if(VL_WIZARD_COMPLETE)
    vl_add_gui_test(e2e_shipping_install SCRIPT shipping_install.py TIMEOUT 300)
    set_tests_properties(e2e_shipping_install PROPERTIES FIXTURES_REQUIRED shipping_folder)
endif()
