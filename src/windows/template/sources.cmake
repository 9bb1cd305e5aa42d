list(APPEND TAVREL_UI_SOURCES
  src/windows/template/templatecanvas.cpp
  src/windows/template/templatecommands.cpp
  src/windows/template/tftemplatedesigner.cpp)
