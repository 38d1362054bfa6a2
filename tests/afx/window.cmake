# CWnd: handle map, binding, message maps, reflection; geometry types.
vl_add_test(afx_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/pump.cpp
    LIBS afx
    LABELS afx)
