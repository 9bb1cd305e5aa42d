tavrel_test(test_geometry strip/test_geometry.cpp)
tavrel_test(test_cellrenderer strip/test_cellrenderer.cpp)
tavrel_test(test_stripimage strip/test_stripimage.cpp)
add_dependencies(test_stripimage tavrel-cli)
