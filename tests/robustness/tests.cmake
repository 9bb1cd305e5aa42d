tavrel_test(test_malformed robustness/test_malformed.cpp)
tavrel_test(test_monkey robustness/test_monkey.cpp UI)
target_link_libraries(test_monkey PRIVATE tavrel_uitest)
