list(APPEND WIN32_SOURCES res/tidewatch.rc)
