list(APPEND CORE_SOURCES cooler/transport.cpp)
