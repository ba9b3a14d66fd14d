# The GPU code, over the real loader, against the stand-in nvml.dll files under Wine.
# Scenarios are functions in gpu_scenarios.sh.
include(${CMAKE_CURRENT_LIST_DIR}/harness/e2e.cmake)

add_executable(gpu_probe ${CMAKE_CURRENT_LIST_DIR}/gpu_probe.cpp
  ${CMAKE_SOURCE_DIR}/telemetry/gpu.cpp ${CMAKE_SOURCE_DIR}/telemetry/nvml_library_win32.cpp
  ${CMAKE_SOURCE_DIR}/app/shared_state.cpp ${CMAKE_SOURCE_DIR}/app/text.cpp)
target_include_directories(gpu_probe PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(gpu_probe PRIVATE kernel32 user32)
target_link_options(gpu_probe PRIVATE -static)

add_test(NAME nvml_standin_exports
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_nvml_standins.sh $<TARGET_FILE_DIR:nvml_standin_full>/..)
set_tests_properties(nvml_standin_exports PROPERTIES LABELS static)

set(GPU_SCENARIOS ${CMAKE_CURRENT_LIST_DIR}/gpu_scenarios.sh)
foreach(scenario gpu_library_placement gpu_start_failures gpu_missing_optional gpu_samples)
  tidewatch_e2e_scenario(${scenario} ${GPU_SCENARIOS} ENV HX_GPU_PROBE=$<TARGET_FILE:gpu_probe>)
endforeach()
# Waits out the program's minute between two start-ups: 63 s with one core kept busy.
tidewatch_e2e_scenario(gpu_library_appears ${GPU_SCENARIOS} LIMIT 200)
