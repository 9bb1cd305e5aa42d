tavrel_test(test_settings app/test_settings.cpp)
tavrel_test(test_startup app/test_startup.cpp)
add_dependencies(test_startup tavrel)
