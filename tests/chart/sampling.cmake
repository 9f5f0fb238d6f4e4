# The waveform's pure side: modes, user range, axis and samples.
tarvessa_add_test(sampling_test LABEL chart
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sampling_test.cpp
            ${CMAKE_SOURCE_DIR}/terminal/WaveSampling.cpp
    LIBS tarvessa_common Qt6::Core)
