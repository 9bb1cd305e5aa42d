list(APPEND TAVREL_CORE_SOURCES
  src/print/pageformat.cpp
  src/print/strippage.cpp
  src/print/listpage.cpp
  src/print/adjustment.cpp
  src/print/calibrationpage.cpp
  src/print/pdfoutput.cpp)
list(APPEND TAVREL_UI_SOURCES
  src/print/windowplace.cpp
  src/print/previewwindow.cpp
  src/print/tfadjust.cpp
  src/print/tfprintjimeijocard.cpp
  src/print/tfprintjimeijolist.cpp
  src/print/printcommands.cpp)
