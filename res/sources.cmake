list(APPEND WIN32_SOURCES res/tidewatch.rc)
# The resource compiler reads these through the script; a change to them rebuilds it.
set_source_files_properties(res/tidewatch.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/res/tidewatch.manifest;${CMAKE_SOURCE_DIR}/res/icon/tidewatch.ico")
