list(APPEND TAVREL_CORE_SOURCES
  src/register/series.cpp
  src/register/registerlines.cpp
  src/register/registerdocument.cpp
  src/register/registerhistory.cpp
  src/register/templates.cpp
  src/register/registercheck.cpp
  src/register/linevalue.cpp
  src/register/textrule.cpp
  src/register/registerlistmodel.cpp
  src/register/registersearch.cpp
  src/register/nameplate.cpp
  src/register/csvfile.cpp
  src/register/csvimport.cpp)
list(APPEND TAVREL_UI_SOURCES
  src/register/tftel_add.cpp
  src/register/registercommands.cpp
  src/register/tfsearch.cpp
  src/register/undocommands.cpp
  src/register/csvcommands.cpp
  src/register/tfcsvimport.cpp)
