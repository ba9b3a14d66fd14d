# Test-only nvml.dll stand-ins, each named nvml.dll in its own folder under
# standins/nvml/ of the build: "full" exports every entry point, "no_<entry point>" all but
# that one.
set(NVML_STANDIN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/nvml_standin.cpp)
set(NVML_STANDIN_ENTRIES nvmlInit_v2 nvmlDeviceGetHandleByIndex_v2 nvmlDeviceGetName
  nvmlShutdown nvmlDeviceGetFanSpeed_v2 nvmlDeviceGetFanSpeedRPM nvmlDeviceGetTemperature)

foreach(variant full ${NVML_STANDIN_ENTRIES})
  set(target nvml_standin_${variant})
  set(folder ${CMAKE_BINARY_DIR}/standins/nvml/no_${variant})
  if(variant STREQUAL full)
    set(folder ${CMAKE_BINARY_DIR}/standins/nvml/full)
  endif()
  add_library(${target} SHARED ${NVML_STANDIN_SOURCE})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  if(NOT variant STREQUAL full)
    target_compile_definitions(${target} PRIVATE OMIT_${variant})
  endif()
  set_target_properties(${target} PROPERTIES OUTPUT_NAME nvml PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${folder} ARCHIVE_OUTPUT_DIRECTORY ${folder})
  target_link_options(${target} PRIVATE -static)
endforeach()
