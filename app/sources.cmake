list(APPEND CORE_SOURCES app/shared_state.cpp app/text.cpp app/shell.cpp app/commands.cpp
  app/apply_finished.cpp)
list(APPEND NATIVE_SOURCES app/sync_native.cpp)
list(APPEND WIN32_SOURCES app/entry_win32.cpp app/crt_win32.cpp app/startup_win32.cpp
  app/version_win32.cpp app/window_win32.cpp app/window_icon_win32.cpp app/session_win32.cpp)
