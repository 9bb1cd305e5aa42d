tavrel_test(test_strippage print/test_strippage.cpp)
target_include_directories(test_strippage PRIVATE ${CMAKE_SOURCE_DIR}/tests/strip ${CMAKE_SOURCE_DIR}/tests/print)
tavrel_test(test_listpage print/test_listpage.cpp)
target_include_directories(test_listpage PRIVATE ${CMAKE_SOURCE_DIR}/tests/print)
