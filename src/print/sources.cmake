list(APPEND TAVREL_CORE_SOURCES
  src/print/adjustment.cpp
  src/print/calibrationpage.cpp
  src/print/listpage.cpp
  src/print/pageformat.cpp
  src/print/pdfoutput.cpp
  src/print/sheetlayout.cpp
  src/print/sheetpage.cpp
  src/print/strippage.cpp)
