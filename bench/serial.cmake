# Harness: throughput of the serial component on pseudo-terminals beside plain
# read()/write() on the same kind of pty, and a slow owner during a flood.
add_executable(serial_bench ${CMAKE_CURRENT_LIST_DIR}/serial_bench.cpp)
target_link_libraries(serial_bench PRIVATE tarvessa_serial benchmark::benchmark Qt6::Core)
