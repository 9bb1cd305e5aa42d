add_executable(bench_register ${CMAKE_CURRENT_SOURCE_DIR}/bench_register.cpp
                              ${CMAKE_CURRENT_SOURCE_DIR}/registergenerator.cpp)
target_link_libraries(bench_register PRIVATE tavrel_core)
add_dependencies(bench_register tavrel-cli)
add_executable(genregister ${CMAKE_CURRENT_SOURCE_DIR}/genregister.cpp
                           ${CMAKE_CURRENT_SOURCE_DIR}/registergenerator.cpp)
target_link_libraries(genregister PRIVATE tavrel_core)
include(${CMAKE_CURRENT_SOURCE_DIR}/strip.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/ui.cmake OPTIONAL)
add_executable(bench_search ${CMAKE_CURRENT_SOURCE_DIR}/bench_search.cpp
                            ${CMAKE_CURRENT_SOURCE_DIR}/registergenerator.cpp)
target_link_libraries(bench_search PRIVATE tavrel_core)
add_executable(bench_csv ${CMAKE_CURRENT_SOURCE_DIR}/bench_csv.cpp)
target_link_libraries(bench_csv PRIVATE tavrel_core)
add_dependencies(bench_csv tavrel-cli)
add_executable(bench_cli ${CMAKE_CURRENT_SOURCE_DIR}/bench_cli.cpp)
target_link_libraries(bench_cli PRIVATE tavrel_core)
add_dependencies(bench_cli tavrel-cli genregister)
