list(APPEND CORE_SOURCES cooler/transport.cpp cooler/commands.cpp cooler/episodes.cpp
  cooler/worker.cpp)
list(APPEND WIN32_SOURCES cooler/transport_win32.cpp)
