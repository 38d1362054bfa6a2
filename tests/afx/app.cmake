# The program entry and the application object, through a probe program that
# is built like the installer (-municode, no wWinMain of its own).
add_executable(afx_entry_probe WIN32 ${CMAKE_CURRENT_LIST_DIR}/entry_probe.cpp)
vl_warnings(afx_entry_probe)
target_link_libraries(afx_entry_probe PRIVATE afx)
target_link_options(afx_entry_probe PRIVATE -municode)

vl_add_test(afx_app_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_test.cpp
    LABELS afx)
add_dependencies(afx_app_test afx_entry_probe)
