tavrel_test(test_textfile platform/test_textfile.cpp)
tavrel_test(test_registerlock platform/test_registerlock.cpp)
