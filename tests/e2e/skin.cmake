# The skin demo on screen: one dialog with every skinned control and its shadow.
if(TARGET skin_demo)
    vl_add_gui_test(e2e_skin_demo SCRIPT skin_demo.py)
endif()
