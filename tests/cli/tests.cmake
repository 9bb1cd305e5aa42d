tavrel_test(test_cli cli/test_cli.cpp)
add_dependencies(test_cli tavrel-cli)
