# CDialog: creation from templates, DDX_Control, reflection, the modal loop,
# PreTranslateMessage; the application object's main window and pump.
vl_add_test(afx_dialog_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/pump.cpp
    RESOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_test.rc
    LIBS afx
    LABELS afx)
