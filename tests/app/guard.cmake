# The running-instance guard: its loop over scripted answers and the image-name rule.
if(VL_WIZARD_COMPLETE)
    vl_add_test(app_guard_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/guard_test.cpp
        LIBS appcore
        LABELS app)
endif()
