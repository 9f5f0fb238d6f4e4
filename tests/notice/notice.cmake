tarvessa_add_test(notice_tests LABEL notice
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/NoticeWindowTest.cpp
    LIBS tarvessa_notice)
