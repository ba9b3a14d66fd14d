list(APPEND CORE_SOURCES cooler/transport.cpp cooler/commands.cpp)
