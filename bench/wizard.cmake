# The installer's benchmarks (bench/wizard.py): start-up time, size without
# the payload, and the UI thread's answer time while a payload of 10,000 small
# files unpacks. That last one needs its own build of the installer.
if(VL_WIZARD_COMPLETE)
    set(VL_MANY_DIR ${CMAKE_CURRENT_BINARY_DIR}/many)
    set(VL_MANY_PAYLOAD ${VL_MANY_DIR}/many.7z)
    find_program(VL_BENCH_7ZZ NAMES 7zz 7z REQUIRED)
    add_custom_command(
        OUTPUT ${VL_MANY_PAYLOAD}
        COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/wizard_payload/make_many.py ${VL_BENCH_7ZZ} ${VL_MANY_DIR}/stage
                ${VL_MANY_PAYLOAD} $<TARGET_FILE:Vellomar> $<TARGET_FILE:VLUninstall>
        DEPENDS Vellomar VLUninstall ${CMAKE_CURRENT_LIST_DIR}/wizard_payload/make_many.py
        COMMENT "Packing a payload of 10,000 small files"
        VERBATIM)
    file(MAKE_DIRECTORY ${VL_MANY_DIR})
    file(WRITE ${VL_MANY_DIR}/payload.rc "129 FILE \"${VL_MANY_PAYLOAD}\"\n")
    # Rebuilt with the installer's own resources (pictures, templates, agreement).
    file(GLOB VL_MANY_RES_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.rc ${CMAKE_SOURCE_DIR}/res/*.h
         ${CMAKE_SOURCE_DIR}/res/*.manifest ${CMAKE_SOURCE_DIR}/res/*.rtf ${CMAKE_SOURCE_DIR}/res/png/* ${CMAKE_SOURCE_DIR}/res/gif/*)
    add_library(vl_resources_many OBJECT ${CMAKE_SOURCE_DIR}/res/VLSetup.rc)
    target_include_directories(vl_resources_many BEFORE PRIVATE ${VL_MANY_DIR} ${CMAKE_SOURCE_DIR}/res)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/res/VLSetup.rc PROPERTIES
        OBJECT_DEPENDS "${VL_MANY_PAYLOAD};${VL_MANY_RES_INPUTS}")
    add_executable(VLSetupMany WIN32 ${CMAKE_SOURCE_DIR}/app/main.cpp ${CMAKE_SOURCE_DIR}/app/vlsetup_app.cpp
                   $<TARGET_OBJECTS:vl_resources_many>)
    vl_warnings(VLSetupMany)
    target_link_libraries(VLSetupMany PRIVATE appcore wizard skin engine net afx gdiplus comctl32 ole32 advapi32 shell32)
    target_link_options(VLSetupMany PRIVATE -municode)
    vl_lean_program(VLSetupMany)

    # Pings the progress page with WM_NULL and reports the answer times.
    add_executable(bench_wizard_ping ${CMAKE_CURRENT_LIST_DIR}/wizard_ping.cpp)
    vl_warnings(bench_wizard_ping)
    target_link_options(bench_wizard_ping PRIVATE -municode)
endif()
