# Test-only wineboot.exe installed into the harness's Wine prefix (see its source).
add_executable(wineboot_stub ${CMAKE_CURRENT_LIST_DIR}/wineboot_stub_win32.cpp)
target_link_libraries(wineboot_stub PRIVATE ntdll)
target_link_options(wineboot_stub PRIVATE -municode -static)
set_target_properties(wineboot_stub PROPERTIES OUTPUT_NAME wineboot
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/standins/wineboot)
