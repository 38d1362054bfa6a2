# The extraction worker against the SDK's bare decoding (bench/extract.py).
add_executable(bench_extract ${CMAKE_CURRENT_LIST_DIR}/extract_bench.cpp)
vl_warnings(bench_extract)
target_link_libraries(bench_extract PRIVATE engine lzma_sdk)
target_link_options(bench_extract PRIVATE -municode)
