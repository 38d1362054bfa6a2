# CDialog: creation from templates, DDX_Control, reflection, the modal loop,
# PreTranslateMessage; the application object's main window and pump.
vl_add_test(afx_dialog_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/pump.cpp
    RESOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_test.rc
    LIBS afx
    LABELS afx)
# The modal tests need their owner to stay the active window: nothing else
# may show windows on the shared display meanwhile.
set_tests_properties(afx_dialog_test PROPERTIES RUN_SERIAL TRUE)
