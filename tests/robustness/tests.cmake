tavrel_test(test_malformed robustness/test_malformed.cpp)
