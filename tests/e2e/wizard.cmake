# The installer end to end: the real VLSetup.exe under Wine and Xvfb, driven
# with real clicks and keys. Every build reports to 127.0.0.1 only.
if(VL_WIZARD_COMPLETE)

    # The same installer with a damaged payload: the archive's packed data has
    # bytes flipped, so extraction fails with a decoding error.
    set(VL_DAMAGED_DIR ${CMAKE_CURRENT_BINARY_DIR}/damaged)
    set(VL_DAMAGED_PAYLOAD ${VL_DAMAGED_DIR}/damaged.7z)
    add_custom_command(
        OUTPUT ${VL_DAMAGED_PAYLOAD}
        COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/damage_archive.py ${VL_EMBEDDED_PAYLOAD} ${VL_DAMAGED_PAYLOAD}
        DEPENDS ${VL_EMBEDDED_PAYLOAD} ${CMAKE_CURRENT_SOURCE_DIR}/damage_archive.py
        COMMENT "Damaging a copy of the payload"
        VERBATIM)
    file(MAKE_DIRECTORY ${VL_DAMAGED_DIR})
    file(WRITE ${VL_DAMAGED_DIR}/payload.rc "129 FILE \"${VL_DAMAGED_PAYLOAD}\"\n")
    # Rebuilt with the installer's own resources (pictures, templates, agreement).
    file(GLOB VL_DAMAGED_RES_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.rc ${CMAKE_SOURCE_DIR}/res/*.h
         ${CMAKE_SOURCE_DIR}/res/*.manifest ${CMAKE_SOURCE_DIR}/res/*.rtf ${CMAKE_SOURCE_DIR}/res/png/* ${CMAKE_SOURCE_DIR}/res/gif/*)
    add_library(vl_resources_damaged OBJECT ${CMAKE_SOURCE_DIR}/res/VLSetup.rc)
    target_include_directories(vl_resources_damaged BEFORE PRIVATE ${VL_DAMAGED_DIR} ${CMAKE_SOURCE_DIR}/res)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/res/VLSetup.rc
        PROPERTIES
        OBJECT_DEPENDS "${VL_DAMAGED_PAYLOAD};${VL_DAMAGED_RES_INPUTS}")
    add_executable(VLSetupDamaged WIN32 ${CMAKE_SOURCE_DIR}/app/main.cpp ${CMAKE_SOURCE_DIR}/app/vlsetup_app.cpp
                   $<TARGET_OBJECTS:vl_resources_damaged>)
    vl_warnings(VLSetupDamaged)
    target_link_libraries(VLSetupDamaged PRIVATE appcore wizard skin engine net afx gdiplus comctl32 ole32 advapi32 shell32)
    target_link_options(VLSetupDamaged PRIVATE -municode)
    vl_lean_program(VLSetupDamaged)

    vl_add_gui_test(e2e_wizard_quick SCRIPT wizard_quick.py TIMEOUT 300)
    vl_add_gui_test(e2e_wizard_custom SCRIPT wizard_custom.py TIMEOUT 400)
    vl_add_gui_test(e2e_wizard_agreement SCRIPT wizard_agreement.py TIMEOUT 300)
    vl_add_gui_test(e2e_wizard_close SCRIPT wizard_close.py TIMEOUT 300)
    vl_add_gui_test(e2e_wizard_guard SCRIPT wizard_guard.py TIMEOUT 300)
    vl_add_gui_test(e2e_wizard_damaged SCRIPT wizard_damaged.py TIMEOUT 300)
    vl_add_gui_test(e2e_wizard_keyboard SCRIPT wizard_keyboard.py TIMEOUT 400)
    vl_add_gui_test(e2e_wizard_place SCRIPT wizard_place.py TIMEOUT 300)
    vl_add_gui_test(e2e_wizard_paths SCRIPT wizard_paths.py TIMEOUT 400)
    vl_add_gui_test(e2e_wizard_focus SCRIPT wizard_focus.py TIMEOUT 400)
    vl_add_gui_test(e2e_wizard_single SCRIPT wizard_single.py TIMEOUT 300)
    vl_add_gui_test(e2e_wizard_hostile SCRIPT wizard_hostile.py TIMEOUT 900)
endif()
