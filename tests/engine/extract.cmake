# Directory creation and the extraction worker.
vl_add_test(directory_test
    SOURCES directory_test.cpp install_state.cpp
    LIBS engine)

# Fixture archives, made at build time (see make_extract_fixtures.py), each
# carried as "FILE"/129 by a resource-only DLL that the tests make the
# resource module. Everything lands in extract_fixtures/ beside the test.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VL_EXTRACT_FIXTURES ${CMAKE_CURRENT_BINARY_DIR}/extract_fixtures)
set(VL_EXTRACT_ARCHIVES layout empty nomain not7z damaged truncated escape_parent escape_stream thumbs
                         blocks crc_second escape_device nameless)
set(fixture_outputs ${VL_EXTRACT_FIXTURES}/payload_entries.txt ${VL_EXTRACT_FIXTURES}/blocks_entries.txt)
foreach(name ${VL_EXTRACT_ARCHIVES})
    list(APPEND fixture_outputs ${VL_EXTRACT_FIXTURES}/${name}.7z)
endforeach()
add_custom_command(
    OUTPUT ${fixture_outputs}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/make_extract_fixtures.py
            ${VL_7ZZ} ${VL_DEFAULT_PAYLOAD} ${VL_EXTRACT_FIXTURES}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/make_extract_fixtures.py ${VL_DEFAULT_PAYLOAD} default_payload
    COMMENT "Making the extraction test archives"
    VERBATIM)
add_custom_target(extract_fixture_archives DEPENDS ${fixture_outputs})

# vl_payload_dll(<target> <archive>): a DLL holding only <archive> as "FILE"/129.
function(vl_payload_dll target archive)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    file(WRITE ${rc}.in "129 FILE \"@archive@\"\n")
    configure_file(${rc}.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${archive})
    add_library(${target} SHARED ${rc})
    set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C PREFIX ""
                          RUNTIME_OUTPUT_DIRECTORY ${VL_EXTRACT_FIXTURES})
    # No code at all: no runtime, no entry point.
    target_link_options(${target} PRIVATE -nostdlib -Wl,-e,0)
endfunction()

set(fixture_dlls)
foreach(name ${VL_EXTRACT_ARCHIVES})
    vl_payload_dll(extract_${name} ${VL_EXTRACT_FIXTURES}/${name}.7z)
    add_dependencies(extract_${name} extract_fixture_archives)
    list(APPEND fixture_dlls extract_${name})
endforeach()
vl_payload_dll(extract_payload ${VL_DEFAULT_PAYLOAD})
add_dependencies(extract_payload default_payload)
list(APPEND fixture_dlls extract_payload)

vl_add_test(extract_test
    SOURCES extract_test.cpp install_state.cpp
    LIBS engine)
add_dependencies(extract_test ${fixture_dlls})

# One run of the worker on an archive file (extract_driver.cpp), for the
# damaged-payload campaign (bench/damage.py) and the full-disk test; the
# resource-only DLL it copies and fills with the archive.
add_executable(extract_driver extract_driver.cpp)
vl_warnings(extract_driver)
target_link_libraries(extract_driver PRIVATE engine)
target_link_options(extract_driver PRIVATE -municode)
set(VL_EXTRACT_PLACEHOLDER ${CMAKE_CURRENT_BINARY_DIR}/extract_placeholder.bin)
file(WRITE ${VL_EXTRACT_PLACEHOLDER} "placeholder")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/extract_template.rc "129 FILE \"${VL_EXTRACT_PLACEHOLDER}\"\n")
add_library(extract_template SHARED ${CMAKE_CURRENT_BINARY_DIR}/extract_template.rc)
set_target_properties(extract_template PROPERTIES LINKER_LANGUAGE C PREFIX "")
target_link_options(extract_template PRIVATE -nostdlib -Wl,-e,0)

# A small tmpfs as a Wine drive: the install folder full (code 6 with the
# path), then the temporary folder full (code 2). Mounts, so it needs root.
vl_add_gui_test(engine_full_disk SCRIPT full_disk.py TIMEOUT 300)
