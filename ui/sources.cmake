list(APPEND CORE_SOURCES ui/geometry.cpp)
