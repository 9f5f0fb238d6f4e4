# Per-block costs of the receive path's pure code: hex and GBK text of a
# 2048-byte block, and the waveform samples of one block.
add_executable(bench_terminal_text
    ${CMAKE_CURRENT_LIST_DIR}/terminal_text.cpp
    ${CMAKE_SOURCE_DIR}/terminal/ByteText.cpp
    ${CMAKE_SOURCE_DIR}/terminal/WaveSampling.cpp)
target_link_libraries(bench_terminal_text PRIVATE tarvessa_common Qt6::Core benchmark::benchmark)
