tarvessa_add_test(calculator_test LABEL calculator
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/OperandTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ResultFormatTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ArithmeticTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/BaseConversionTest.cpp
    LIBS tarvessa_calculator)
