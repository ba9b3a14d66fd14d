# transport.cpp joins CORE_SOURCES together with transport_win32.cpp.
