tavrel_test(test_textfile platform/test_textfile.cpp)
tavrel_test(test_registerlock platform/test_registerlock.cpp)
tavrel_test(test_userguide platform/test_userguide.cpp)
