list(APPEND TAVREL_UI_SOURCES
  src/windows/main/application.cpp
  src/windows/main/mainpanes.cpp
  src/windows/main/tfmain.cpp
  src/windows/main/tfversion.cpp
  src/windows/main/userguidecommand.cpp
  src/windows/main/viewcommands.cpp
  src/windows/main/toolbar.qrc
  src/windows/main/windows.cpp)
