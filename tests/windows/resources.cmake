add_test(NAME exe_resources
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_resources.sh $<TARGET_FILE:Tidewatch>)
