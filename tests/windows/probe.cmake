# tidewatch_probe.exe: a Windows-side helper for the checks that run the real exe under Wine.
# It links the program's own font and badge code to describe what the program draws.
add_executable(tidewatch_probe ${CMAKE_CURRENT_LIST_DIR}/probe.cpp
  ${CMAKE_SOURCE_DIR}/app/shell.cpp ${CMAKE_SOURCE_DIR}/ui/theme.cpp
  ${CMAKE_SOURCE_DIR}/ui/fonts_win32.cpp ${CMAKE_SOURCE_DIR}/ui/badge_win32.cpp
  ${CMAKE_SOURCE_DIR}/ui/tray_model.cpp ${CMAKE_SOURCE_DIR}/ui/badge_pixels.cpp ${CMAKE_SOURCE_DIR}/ui/geometry.cpp
  ${CMAKE_SOURCE_DIR}/app/text.cpp ${CMAKE_SOURCE_DIR}/app/shared_state.cpp
  ${CMAKE_SOURCE_DIR}/profiles/profiles.cpp ${CMAKE_SOURCE_DIR}/ui/dashboard_text.cpp
  ${CMAKE_SOURCE_DIR}/cooler/models.cpp)
target_include_directories(tidewatch_probe PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(tidewatch_probe PRIVATE UNICODE _UNICODE)
target_link_libraries(tidewatch_probe PRIVATE user32 gdi32 shell32 comctl32 kernel32 oleacc ole32
  oleaut32)
target_link_options(tidewatch_probe PRIVATE -static)
