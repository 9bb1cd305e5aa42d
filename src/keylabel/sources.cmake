list(APPEND TAVREL_CORE_SOURCES
  src/keylabel/applykeylabel.cpp
  src/keylabel/keylabelset.cpp)
