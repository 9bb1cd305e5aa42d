tavrel_test(test_cli cli/test_cli.cpp)
add_dependencies(test_cli tavrel-cli)
tavrel_test(test_clisearch cli/test_clisearch.cpp)
add_dependencies(test_clisearch tavrel-cli)
