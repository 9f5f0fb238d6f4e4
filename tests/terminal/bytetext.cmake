# The byte text of the serial side; the sources are compiled in directly so the
# test does not wait for the window's library.
tarvessa_add_test(bytetext_test LABEL terminal
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/bytetext_test.cpp
            ${CMAKE_SOURCE_DIR}/terminal/ByteText.cpp
    LIBS tarvessa_common Qt6::Core)
