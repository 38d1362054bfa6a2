# The manager's message round-trip while requests wait on a slow local server.
add_executable(bench_net ${CMAKE_CURRENT_LIST_DIR}/net_roundtrip.cpp
                         ${CMAKE_SOURCE_DIR}/tests/net/test_http_server.cpp)
vl_warnings(bench_net)
target_link_libraries(bench_net PRIVATE net ws2_32)
