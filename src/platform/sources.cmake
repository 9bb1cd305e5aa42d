list(APPEND TAVREL_CORE_SOURCES
  src/platform/characters.cpp
  src/platform/commandline.cpp
  src/platform/conversion.cpp
  src/platform/fixed4.cpp
  src/platform/fontlist.cpp
  src/platform/fonts.cpp
  src/platform/instancelock.cpp
  src/platform/mainsub.cpp
  src/platform/memory.cpp
  src/platform/registerlock.cpp
  src/platform/settingsstore.cpp
  src/platform/stopsignals.cpp
  src/platform/textfile.cpp
  src/platform/userguide.cpp)
