tarvessa_add_test(chart_window_tests LABEL chart
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ChartWindowTest.cpp
    LIBS tarvessa_terminal tarvessa_notice Qt6::Test)
