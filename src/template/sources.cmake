list(APPEND TAVREL_CORE_SOURCES
  src/template/snapping.cpp
  src/template/templatemodel.cpp)
