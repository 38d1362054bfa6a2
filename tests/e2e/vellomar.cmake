# The installed application's status line: the version code of its version.ini.
if(VL_WIZARD_COMPLETE)
    vl_add_gui_test(e2e_vellomar_version SCRIPT vellomar_version.py TIMEOUT 300)
endif()
