add_executable(bench_strip ${CMAKE_CURRENT_SOURCE_DIR}/bench_strip.cpp)
target_include_directories(bench_strip PRIVATE ${CMAKE_SOURCE_DIR}/tests/strip)
target_link_libraries(bench_strip PRIVATE tavrel_core)
