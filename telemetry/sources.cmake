list(APPEND CORE_SOURCES telemetry/history.cpp)
