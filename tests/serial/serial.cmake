tarvessa_add_test(serial_config_tests LABEL serial
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/LineConfigTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/TCommFakeTest.cpp
    LIBS tarvessa_serial)
tarvessa_add_test(serial_pty_tests LABEL serial
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/TCommPtyTest.cpp
    LIBS tarvessa_serial)
