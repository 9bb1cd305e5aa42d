list(APPEND TAVREL_UI_SOURCES
  src/windows/strip/cellediting.cpp
  src/windows/strip/formatcommands.cpp
  src/windows/strip/picturecommands.cpp
  src/windows/strip/stripaccessible.cpp
  src/windows/strip/stripdisplay.cpp
  src/windows/strip/tfviewimage.cpp)
