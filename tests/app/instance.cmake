# One installer at a time: the named objects and the window a second one shows.
if(VL_WIZARD_COMPLETE)
    vl_add_test(app_instance_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/instance_test.cpp
        LIBS appcore
        LABELS app)
endif()
