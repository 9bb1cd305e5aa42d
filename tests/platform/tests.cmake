tavrel_test(test_textfile platform/test_textfile.cpp)
