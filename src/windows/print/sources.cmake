list(APPEND TAVREL_UI_SOURCES
  src/windows/print/previewwindow.cpp
  src/windows/print/printcommands.cpp
  src/windows/print/printers.cpp
  src/windows/print/sheetprintdialog.cpp
  src/windows/print/tfadjust.cpp
  src/windows/print/tfprintjimeijocard.cpp
  src/windows/print/tfprintjimeijolist.cpp
  src/windows/print/windowplace.cpp)
