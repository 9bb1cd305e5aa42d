list(APPEND TAVREL_CORE_SOURCES
  src/platform/conversion.cpp
  src/platform/textfile.cpp
  src/platform/memory.cpp
  src/platform/instancelock.cpp
  src/platform/registerlock.cpp
  src/platform/fonts.cpp
  src/platform/fontlist.cpp
  src/platform/settingsstore.cpp
  src/platform/mainsub.cpp)
list(APPEND TAVREL_UI_SOURCES
  src/platform/userdialogs.cpp
  src/platform/instancechannel.cpp
  src/platform/printers.cpp)
