# The GPU code, over the real loader, against the stand-in nvml.dll files under Wine.
add_executable(gpu_probe ${CMAKE_CURRENT_SOURCE_DIR}/windows/gpu_probe.cpp
  ${CMAKE_SOURCE_DIR}/telemetry/gpu.cpp ${CMAKE_SOURCE_DIR}/telemetry/nvml_library_win32.cpp
  ${CMAKE_SOURCE_DIR}/app/shared_state.cpp ${CMAKE_SOURCE_DIR}/app/text.cpp)
target_include_directories(gpu_probe PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(gpu_probe PRIVATE kernel32 user32)
target_link_options(gpu_probe PRIVATE -static)

set(GPU_WINE_RUN bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/gpu_wine.sh)
set(GPU_WINE_ARGS ${CMAKE_CURRENT_BINARY_DIR}/gpu-wine $<TARGET_FILE:gpu_probe>
  $<TARGET_FILE_DIR:nvml_standin_full>/..)
set(GPU_WINE_SCENARIOS absent present init_fails no_device missing_required missing_optional
  limits failing_queries)

add_test(NAME gpu_wine_setup COMMAND ${GPU_WINE_RUN} setup ${GPU_WINE_ARGS})
add_test(NAME gpu_wine_cleanup COMMAND ${GPU_WINE_RUN} cleanup ${GPU_WINE_ARGS})
set_tests_properties(gpu_wine_setup PROPERTIES FIXTURES_SETUP gpu_wine)
set_tests_properties(gpu_wine_cleanup PROPERTIES FIXTURES_CLEANUP gpu_wine)
foreach(scenario ${GPU_WINE_SCENARIOS})
  add_test(NAME gpu_wine_${scenario} COMMAND ${GPU_WINE_RUN} ${scenario} ${GPU_WINE_ARGS})
  set_tests_properties(gpu_wine_${scenario} PROPERTIES FIXTURES_REQUIRED gpu_wine)
endforeach()
list(TRANSFORM GPU_WINE_SCENARIOS PREPEND gpu_wine_)
set_tests_properties(gpu_wine_setup gpu_wine_cleanup ${GPU_WINE_SCENARIOS} PROPERTIES
  LABELS e2e RESOURCE_LOCK gpu_wine TIMEOUT 180)
