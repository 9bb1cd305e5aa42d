list(APPEND TAVREL_UI_SOURCES
  src/windows/main/application.cpp
  src/windows/main/tfmain.cpp
  src/windows/main/tfversion.cpp
  src/windows/main/toolbarpictures.cpp
  src/windows/main/windows.cpp)
