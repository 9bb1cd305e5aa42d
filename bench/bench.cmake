# Benchmarks: plain executables that print their figures; run by hand or by
# scripts, not by CTest. Each area adds its own file.
include(${CMAKE_CURRENT_SOURCE_DIR}/strip.cmake)
