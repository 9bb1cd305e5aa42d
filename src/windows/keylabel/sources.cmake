list(APPEND TAVREL_UI_SOURCES
  src/windows/keylabel/keylabelpanel.cpp
  src/windows/keylabel/tfkeylabel.cpp)
