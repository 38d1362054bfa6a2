# The uninstaller end to end: a wizard installation, the application keeping a
# note, then the uninstall entry's own command with its real message boxes.
if(VL_WIZARD_COMPLETE)
    vl_add_gui_test(e2e_uninstall_wizard SCRIPT uninstall_wizard.py TIMEOUT 300)
endif()
