tarvessa_add_test(tarvessa_simulator_test LABEL serial
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/simulator_test.cpp)
target_compile_definitions(tarvessa_simulator_test PRIVATE
    TARVESSA_SIM_PATH="$<TARGET_FILE:tarvessa-sim>")
add_dependencies(tarvessa_simulator_test tarvessa-sim)
