# Test-only decoys of DLLs that the exe loads at run time from the system directory only:
# dwmapi.dll and nvml.dll, each planted beside a copy of a program by the scenarios (the
# decoy hid.dll is built with the simulated cooler). They land in standins/decoy/ of the build.
foreach(dll dwmapi nvml)
  add_library(${dll}_decoy SHARED ${CMAKE_CURRENT_LIST_DIR}/planted_decoy_win32.cpp)
  target_link_options(${dll}_decoy PRIVATE -static)
  set_target_properties(${dll}_decoy PROPERTIES OUTPUT_NAME ${dll} PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/standins/decoy
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/standins/lib/decoy_${dll})
endforeach()
