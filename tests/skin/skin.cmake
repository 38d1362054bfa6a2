# Skinned controls: the pure shadow picture, the controls on the demo dialog,
# the shadow window; and the demo program the GUI test shows.
set(VL_SKIN_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

if(TARGET skin)
    add_library(skin_demo_dlg STATIC ${VL_SKIN_TEST_DIR}/demo/demo_dlg.cpp)
    vl_warnings(skin_demo_dlg)
    target_link_libraries(skin_demo_dlg PUBLIC skin)

    vl_add_test(skin_shadow_bits SOURCES ${VL_SKIN_TEST_DIR}/shadow_bits_test.cpp LIBS skin)

    foreach(topic controls wnd_shadow)
        vl_add_test(skin_${topic}
            SOURCES ${VL_SKIN_TEST_DIR}/${topic}_test.cpp ${VL_SKIN_TEST_DIR}/skin_test_env.cpp
                    ${VL_SKIN_TEST_DIR}/gdi_census.cpp
            RESOURCES ${VL_SKIN_TEST_DIR}/demo/demo.rc
            LIBS skin_demo_dlg skin)
        target_include_directories(skin_${topic} PRIVATE ${CMAKE_SOURCE_DIR}/res ${VL_SKIN_TEST_DIR}/demo)
        # Windows of their own: never beside another program's on the display.
        set_tests_properties(skin_${topic} PROPERTIES RUN_SERIAL TRUE)
    endforeach()

    add_executable(skin_demo ${VL_SKIN_TEST_DIR}/demo/demo_main.cpp ${VL_SKIN_TEST_DIR}/demo/demo.rc)
    vl_warnings(skin_demo)
    target_include_directories(skin_demo PRIVATE ${CMAKE_SOURCE_DIR}/res ${VL_SKIN_TEST_DIR}/demo)
    target_link_libraries(skin_demo PRIVATE skin_demo_dlg skin)
endif()
