# The HTTP client and its manager, against a server the tests run on 127.0.0.1.
vl_add_test(net_http_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_request_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/http_request_manager_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/test_http_server.cpp
    LIBS net ws2_32
    LABELS net)
