list(APPEND TAVREL_CORE_SOURCES
  src/strip/fixed4.cpp
  src/strip/geometry.cpp
  src/strip/stripwalk.cpp
  src/strip/colourline.cpp
  src/strip/cellrecord.cpp
  src/strip/picture.cpp
  src/strip/cellrenderer.cpp
  src/strip/stripimage.cpp
  src/strip/celltext.cpp
  src/strip/cellselection.cpp)
list(APPEND TAVREL_UI_SOURCES
  src/strip/stripdisplay.cpp)
list(APPEND TAVREL_CORE_SOURCES
  src/strip/cellformat.cpp
  src/strip/cellpicture.cpp)
list(APPEND TAVREL_UI_SOURCES
  src/strip/cellediting.cpp
  src/strip/formatcommands.cpp
  src/strip/picturecommands.cpp
  src/strip/tfviewimage.cpp)
