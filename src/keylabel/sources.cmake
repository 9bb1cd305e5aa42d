list(APPEND TAVREL_CORE_SOURCES
  src/keylabel/keylabelset.cpp
  src/keylabel/applykeylabel.cpp)
list(APPEND TAVREL_UI_SOURCES
  src/keylabel/tfkeylabel.cpp
  src/keylabel/keylabelpanel.cpp)
