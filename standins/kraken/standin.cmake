# The simulated cooler under Wine: the simulator program, a second program polling it, the
# test-only hid.dll and
# setupapi.dll that show its pipes as HID interfaces (installed into the test prefix's
# system32), and a decoy hid.dll to plant beside a program. Test code: none of it links into
# Tidewatch.exe.
set(KRAKEN_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KRAKEN_OUT ${CMAKE_BINARY_DIR}/standins)

add_library(kraken_model STATIC ${KRAKEN_DIR}/sim_config.cpp ${KRAKEN_DIR}/sim_model.cpp
  ${KRAKEN_DIR}/control_win32.cpp)
target_include_directories(kraken_model PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(kraken_sim ${KRAKEN_DIR}/kraken_sim_win32.cpp)
target_link_libraries(kraken_sim PRIVATE kraken_model)
target_link_options(kraken_sim PRIVATE -municode -static)
set_target_properties(kraken_sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KRAKEN_OUT})

# A second program that polls the simulated cooler beside the one under test.
add_executable(kraken_poller ${KRAKEN_DIR}/kraken_poller_win32.cpp
  ${CMAKE_SOURCE_DIR}/cooler/transport.cpp ${CMAKE_SOURCE_DIR}/cooler/models.cpp ${CMAKE_SOURCE_DIR}/cooler/transport_win32.cpp)
target_link_libraries(kraken_poller PRIVATE kraken_model setupapi)
target_link_options(kraken_poller PRIVATE -static)
set_target_properties(kraken_poller PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KRAKEN_OUT})

foreach(dll hid setupapi)
  add_library(${dll}_standin SHARED ${KRAKEN_DIR}/${dll}_standin_win32.cpp)
  target_link_libraries(${dll}_standin PRIVATE kraken_model)
  target_link_options(${dll}_standin PRIVATE -static)
  set_target_properties(${dll}_standin PROPERTIES OUTPUT_NAME ${dll} PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${KRAKEN_OUT}/system32 ARCHIVE_OUTPUT_DIRECTORY ${KRAKEN_OUT}/lib)
endforeach()

add_library(hid_decoy SHARED ${KRAKEN_DIR}/hid_decoy_win32.cpp)
target_link_options(hid_decoy PRIVATE -static)
set_target_properties(hid_decoy PROPERTIES OUTPUT_NAME hid PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${KRAKEN_OUT}/decoy ARCHIVE_OUTPUT_DIRECTORY ${KRAKEN_OUT}/lib/decoy)
