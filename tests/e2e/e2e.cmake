add_test(NAME e2e.RealWindow
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/end_to_end.sh $<TARGET_FILE:tarvessa>
                 $<TARGET_FILE:tarvessa-sim> ${CMAKE_BINARY_DIR}/e2e)
set_tests_properties(e2e.RealWindow PROPERTIES LABELS e2e TIMEOUT 120 RUN_SERIAL TRUE)
