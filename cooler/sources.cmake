list(APPEND CORE_SOURCES cooler/models.cpp cooler/transport.cpp cooler/commands.cpp cooler/curve_watch.cpp
  cooler/worker.cpp)
list(APPEND WIN32_SOURCES cooler/transport_win32.cpp)
