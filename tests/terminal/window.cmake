tarvessa_add_test(terminal_window_tests LABEL terminal
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PortHandlersTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/SendReceiveTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/AreaSumsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/CalculatorWindowTest.cpp
    LIBS tarvessa_terminal tarvessa_notice Qt6::Test)
