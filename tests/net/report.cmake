# The install report: its pieces, and the request on port 80 of this machine.
vl_add_test(net_report_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_report_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/test_http_server.cpp
    LIBS net ws2_32
    LABELS net)
