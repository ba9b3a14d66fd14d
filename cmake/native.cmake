# The portable core as a library, over the native stand-ins for kernel32, with its unit tests.
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
include(GoogleTest)

add_library(tidewatch_core STATIC ${CORE_SOURCES} ${NATIVE_SOURCES})
target_include_directories(tidewatch_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tidewatch_core PUBLIC Threads::Threads)

add_subdirectory(tests)
