# The simulated cooler and the native transport backend over it, for native test programs:
# include this file and link kraken_sim_native. It is an object library so that the core's
# SendCommand finds ReportIo whatever the link order; never link it into tidewatch_core or
# tidewatch_fakes (other test programs bring their own transport).
include_guard(GLOBAL)

add_library(kraken_sim_native OBJECT
  ${CMAKE_CURRENT_LIST_DIR}/sim_config.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_transport_native.cpp)
target_link_libraries(kraken_sim_native PUBLIC tidewatch_core)
