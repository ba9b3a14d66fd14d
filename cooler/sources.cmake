# transport.cpp joins CORE_SOURCES together with transport_win32.cpp.
list(APPEND WIN32_SOURCES cooler/worker_placeholder_win32.cpp)
