# Native build of the Windows-free core: its tests run without Wine, under the sanitizers
# when DSNSET_SANITIZE is on.
option(DSNSET_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
if(DSNSET_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
add_compile_options(-Wall -Wextra)

add_library(dsnset_core STATIC ${DSNSET_CORE_SOURCES})
target_include_directories(dsnset_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_executable(core_tests_native ${DSNSET_CORE_TEST_SOURCES})
target_link_libraries(core_tests_native PRIVATE dsnset_core GTest::gtest_main)
add_test(NAME core_tests_native COMMAND core_tests_native)
