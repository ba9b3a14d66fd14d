list(APPEND CORE_SOURCES ui/geometry.cpp)
list(APPEND CORE_SOURCES ui/tray_model.cpp)
