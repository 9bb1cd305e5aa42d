# Shared by the tests that drive the windows.
add_library(tavrel_uitest STATIC support/uitestsupport.cpp)
target_link_libraries(tavrel_uitest PUBLIC tavrel_ui Qt6::Test)
target_include_directories(tavrel_uitest PUBLIC ${CMAKE_CURRENT_LIST_DIR})
