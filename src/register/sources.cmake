list(APPEND TAVREL_CORE_SOURCES
  src/register/cellrecord.cpp
  src/register/celltext.cpp
  src/register/csvfile.cpp
  src/register/csvimport.cpp
  src/register/geometry.cpp
  src/register/linevalue.cpp
  src/register/nameplate.cpp
  src/register/registercheck.cpp
  src/register/registerdocument.cpp
  src/register/registerhistory.cpp
  src/register/registerlines.cpp
  src/register/registerlistmodel.cpp
  src/register/registersearch.cpp
  src/register/series.cpp
  src/register/stripwalk.cpp
  src/register/templates.cpp
  src/register/textrule.cpp)
