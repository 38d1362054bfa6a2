# GoogleTest from Debian's sources, built with the cross compiler, and the
# helpers that register our test executables with CTest (run under Wine).
set(VL_GTEST_SRC "/usr/src/googletest" CACHE PATH "GoogleTest sources (Debian package googletest)")
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VL_GTEST_SRC}/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
# GoogleTest reports a test that throws as failed, so it keeps exceptions.
foreach(t gtest gtest_main)
    target_compile_options(${t} PRIVATE ${VL_WITH_EXCEPTIONS})
endforeach()

# vl_add_test(<name> SOURCES <files...> [LIBS <libs...>] [WIN32] [RESOURCES <rc...>])
# Builds one GoogleTest executable and registers it as one CTest test.
function(vl_add_test name)
    cmake_parse_arguments(T "WIN32" "TIMEOUT" "SOURCES;LIBS;RESOURCES;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES} ${T_RESOURCES})
    if(T_RESOURCES)
        # windres's inputs are not scanned: a test's script that includes
        # res/'s must still be compiled again when a picture changes. Added
        # to what the caller set (a script embedding the built payload
        # depends on it), never in its place.
        file(GLOB_RECURSE res_inputs LIST_DIRECTORIES false CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*)
        set_property(SOURCE ${T_RESOURCES} APPEND PROPERTY OBJECT_DEPENDS ${res_inputs})
    endif()
    vl_warnings(${name})
    target_link_libraries(${name} PRIVATE gtest gtest_main ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "unit;${T_LABELS}")
endfunction()

# vl_add_gui_test(<name> SCRIPT <file.py> [DEPENDS <targets...>])
# A GUI test is a Python script that starts Windows programs under Wine on the
# private Xvfb display of scripts/test.sh and drives them with xdotool.
# GUI tests share the one display, so they never run in parallel.
function(vl_add_gui_test name)
    cmake_parse_arguments(T "" "SCRIPT;TIMEOUT" "ARGS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${name}
             COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/${T_SCRIPT} ${T_ARGS})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT} RUN_SERIAL TRUE LABELS "gui"
        ENVIRONMENT "VL_ARCH=${VL_TARGET_ARCH};VL_BIN_DIR=${CMAKE_BINARY_DIR};VL_OUT_DIR=${VL_OUT_DIR};VL_SCREENSHOTS=${VL_SCREENSHOTS_DIR};VL_SOURCE_DIR=${CMAKE_SOURCE_DIR};PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/e2e;PYTHONDONTWRITEBYTECODE=1")
endfunction()
