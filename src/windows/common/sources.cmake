list(APPEND TAVREL_UI_SOURCES
  src/windows/common/actioncollection.cpp
  src/windows/common/appsettings.cpp
  src/windows/common/instancechannel.cpp
  src/windows/common/screenplace.cpp
  src/windows/common/userdialogs.cpp)
