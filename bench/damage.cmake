# The damaged-payload campaign (bench/damage.py): a driver that runs the
# extraction worker on one archive, and the resource-only DLL it copies and
# fills with that archive.
add_executable(bench_damage ${CMAKE_CURRENT_LIST_DIR}/damage_driver.cpp)
vl_warnings(bench_damage)
target_link_libraries(bench_damage PRIVATE engine)
target_link_options(bench_damage PRIVATE -municode)

set(VL_DAMAGE_PLACEHOLDER ${CMAKE_CURRENT_BINARY_DIR}/damage_placeholder.bin)
file(WRITE ${VL_DAMAGE_PLACEHOLDER} "placeholder")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/damage_template.rc "129 FILE \"${VL_DAMAGE_PLACEHOLDER}\"\n")
add_library(damage_template SHARED ${CMAKE_CURRENT_BINARY_DIR}/damage_template.rc)
set_target_properties(damage_template PROPERTIES LINKER_LANGUAGE C PREFIX "")
# No code at all: no runtime, no entry point.
target_link_options(damage_template PRIVATE -nostdlib -Wl,-e,0)
