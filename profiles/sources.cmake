list(APPEND CORE_SOURCES profiles/profiles.cpp)
