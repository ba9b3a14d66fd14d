# tidewatch_probe.exe: a Windows-side helper for the checks that run the real exe under Wine.
# It links the program's own font code to describe the fonts it makes.
add_executable(tidewatch_probe ${CMAKE_CURRENT_LIST_DIR}/probe.cpp
  ${CMAKE_SOURCE_DIR}/app/shell.cpp ${CMAKE_SOURCE_DIR}/ui/theme.cpp
  ${CMAKE_SOURCE_DIR}/ui/fonts_win32.cpp ${CMAKE_SOURCE_DIR}/ui/geometry.cpp)
target_include_directories(tidewatch_probe PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(tidewatch_probe PRIVATE UNICODE _UNICODE)
target_link_libraries(tidewatch_probe PRIVATE user32 gdi32 shell32 kernel32)
target_link_options(tidewatch_probe PRIVATE -static)
