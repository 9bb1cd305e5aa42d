tavrel_test(test_cli cli/test_cli.cpp)
add_dependencies(test_cli tavrel-cli)
tavrel_test(test_cliformat cli/test_cliformat.cpp)
add_dependencies(test_cliformat tavrel-cli)
