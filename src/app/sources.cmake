list(APPEND TAVREL_CORE_SOURCES
  src/app/commandline.cpp)
list(APPEND TAVREL_UI_SOURCES
  src/app/application.cpp
  src/app/windows.cpp
  src/app/tfmain.cpp
  src/app/toolbarpictures.cpp
  src/app/tfversion.cpp)
