tarvessa_add_test(tarvessa_portnames_test LABEL serial
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/portnames_test.cpp
    LIBS tarvessa_serial)
