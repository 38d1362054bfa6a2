# GDI wrappers and device contexts.
vl_add_test(afx_gdi_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gdi_test.cpp
    LIBS afx
    LABELS afx)
