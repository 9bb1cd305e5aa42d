tavrel_test(test_geometry strip/test_geometry.cpp)
tavrel_test(test_cellrenderer strip/test_cellrenderer.cpp)
tavrel_test(test_picture strip/test_picture.cpp)
