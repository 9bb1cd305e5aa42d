tavrel_test(test_geometry strip/test_geometry.cpp)
