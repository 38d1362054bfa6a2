# The wizard's window-free rules, and the agreement resource as it ships.
vl_add_test(wizard_rules_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rules_test.cpp ${CMAKE_SOURCE_DIR}/wizard/install_rules.cpp
    RESOURCES ${CMAKE_CURRENT_LIST_DIR}/agreement_test.rc
    LIBS engine afx shlwapi
    LABELS wizard)
target_include_directories(wizard_rules_test PRIVATE ${CMAKE_SOURCE_DIR}/res)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/agreement_test.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/agreement.rtf;${CMAKE_SOURCE_DIR}/res/wizard.h")
