add_executable(bench_mainwindow ${CMAKE_CURRENT_SOURCE_DIR}/bench_mainwindow.cpp
                                ${CMAKE_CURRENT_SOURCE_DIR}/registergenerator.cpp)
target_link_libraries(bench_mainwindow PRIVATE tavrel_uitest)
add_executable(bench_template ${CMAKE_CURRENT_SOURCE_DIR}/bench_template.cpp)
target_link_libraries(bench_template PRIVATE tavrel_uitest)
