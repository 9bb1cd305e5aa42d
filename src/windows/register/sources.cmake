list(APPEND TAVREL_UI_SOURCES
  src/windows/register/csvcommands.cpp
  src/windows/register/registercommands.cpp
  src/windows/register/tfcsvimport.cpp
  src/windows/register/tfsearch.cpp
  src/windows/register/tftel_add.cpp
  src/windows/register/undocommands.cpp)
