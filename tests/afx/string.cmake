# CString and CStringA: formatting with Windows' printf rules, editing, and
# narrow/wide conversion through the ANSI code page (936 in the test prefix).
vl_add_test(afx_string_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/string_test.cpp
    LIBS afx
    LABELS afx)
