# What scripts/bench runs under Wine (not tests): the minimal tray program Tidewatch is
# measured against, built the same way, and the measuring helper.
add_executable(tidewatch_baseline WIN32 ${CMAKE_SOURCE_DIR}/tests/bench/baseline_win32.cpp
  ${CMAKE_SOURCE_DIR}/app/crt_win32.cpp)
target_compile_definitions(tidewatch_baseline PRIVATE UNICODE _UNICODE)
target_link_options(tidewatch_baseline PRIVATE
  -nostdlib -nostartfiles -Wl,-e,BaselineEntry -Wl,--subsystem,windows -s)
target_link_libraries(tidewatch_baseline PRIVATE kernel32 user32 shell32 gcc)

add_executable(bench_probe ${CMAKE_SOURCE_DIR}/tests/bench/bench_probe.cpp)
target_compile_definitions(bench_probe PRIVATE UNICODE _UNICODE)
target_link_libraries(bench_probe PRIVATE user32 kernel32)
target_link_options(bench_probe PRIVATE -static)
