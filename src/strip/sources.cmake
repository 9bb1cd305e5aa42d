list(APPEND TAVREL_CORE_SOURCES
  src/strip/cellformat.cpp
  src/strip/cellpicture.cpp
  src/strip/cellrenderer.cpp
  src/strip/cellselection.cpp
  src/strip/colourline.cpp
  src/strip/picture.cpp
  src/strip/stripimage.cpp)
