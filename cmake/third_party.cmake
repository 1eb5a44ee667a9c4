# The two outside libraries the build uses, each found one way and used as a target.
#
# GoogleTest: built from the sources Debian ships, with the same compiler as the tests (a
# prebuilt host library could not serve the cross build). Gives GTest::gtest_main.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# nlohmann-json is header-only. Its headers are copied into the build tree so that the
# target exposes that one folder: naming the host's /usr/include to the cross compiler would
# let host C headers shadow the Windows ones. Gives nlohmann_json::nlohmann_json.
if(NOT DSNSET_NATIVE)
  set(DSNSET_JSON_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
  file(COPY /usr/include/nlohmann DESTINATION ${DSNSET_JSON_INCLUDE})
  add_library(nlohmann_json INTERFACE)
  target_include_directories(nlohmann_json SYSTEM INTERFACE ${DSNSET_JSON_INCLUDE})
  add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)
endif()
