list(APPEND CORE_SOURCES ui/theme.cpp)
