tavrel_test(tst_mainwindow app/tst_mainwindow.cpp UI)
target_link_libraries(tst_mainwindow PRIVATE tavrel_uitest)
