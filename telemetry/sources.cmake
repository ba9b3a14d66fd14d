list(APPEND CORE_SOURCES telemetry/history.cpp telemetry/publish.cpp telemetry/gpu.cpp)
list(APPEND WIN32_SOURCES telemetry/nvml_library_win32.cpp)
