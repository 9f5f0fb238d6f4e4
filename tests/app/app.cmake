tarvessa_add_test(app_tests LABEL app
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ErrorReportTest.cpp
    LIBS tarvessa_terminal tarvessa_notice Qt6::Test)
