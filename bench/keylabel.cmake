add_executable(bench_keylabels ${CMAKE_CURRENT_SOURCE_DIR}/bench_keylabels.cpp
                               ${CMAKE_CURRENT_SOURCE_DIR}/registergenerator.cpp)
target_link_libraries(bench_keylabels PRIVATE tavrel_uitest)
