# Native build of the Windows-free core: its tests run without Wine, under the sanitizers
# when DSNSET_SANITIZE is on (cmake/build_flags.cmake).
add_library(dsnset_core STATIC ${DSNSET_CORE_SOURCES} ${DSNSET_NATIVE_CONVERTER_SOURCES})
target_include_directories(dsnset_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_executable(core_tests_native ${DSNSET_CORE_TEST_SOURCES})
target_link_libraries(core_tests_native PRIVATE dsnset_core GTest::gtest_main)
add_test(NAME core_tests_native COMMAND core_tests_native)
# The fault catalogue must still match the sources: an edit that changes a fault's line is
# found here, not at the next mutation run.
add_test(NAME mutant_catalogue COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/mutants.sh --check)

# libFuzzer targets over every input the product does not control.
option(DSNSET_FUZZ "Build the libFuzzer targets" ON)
if(DSNSET_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # The core again, instrumented for coverage so the fuzzers see inside it.
  add_library(dsnset_core_fuzz STATIC ${DSNSET_CORE_SOURCES} ${DSNSET_NATIVE_CONVERTER_SOURCES})
  target_include_directories(dsnset_core_fuzz PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_options(dsnset_core_fuzz PRIVATE -fsanitize=fuzzer-no-link)
  function(dsnset_fuzzer name source)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE dsnset_core_fuzz)
    target_compile_definitions(${name} PRIVATE ${ARGN})
    # A short, fixed run over the seed corpus on every test run; new inputs go to the build
    # tree, never into the sources.
    set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
    set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${name}_short COMMAND ${name} -runs=30000 -seed=1 -max_len=4096 ${work} ${corpus})
  endfunction()
  dsnset_fuzzer(fuzz_attribute_list fuzz/fuzz_attribute_list.cpp)
  dsnset_fuzzer(fuzz_server_readback fuzz/fuzz_server_readback.cpp)
  dsnset_fuzzer(fuzz_convert_text fuzz/fuzz_convert_text.cpp)
  dsnset_fuzzer(fuzz_unc_resolver fuzz/fuzz_unc_resolver.cpp)
  foreach(code 4115 4116 4117 5207)
    dsnset_fuzzer(fuzz_answer_${code} fuzz/fuzz_answers.cpp ANSWER_CODE=${code})
  endforeach()
endif()

add_executable(native_bench bench/native_bench.cpp)
target_link_libraries(native_bench PRIVATE dsnset_core)
