# dsnset_delay_imports(<target> <library>...): the target binds these system libraries at
# its first call into each instead of at load. For each, a delay-load import library is made
# at configure time from the toolchain's own import library (every name it exports), and
# linked ahead of the plain one, which the product's static library still names.
#
# Why: the installer loads and unloads the setup library for every request, and under Wine 8
# loading shell32, ole32, odbc32 and mpr with it cost about 2.5 ms a request, more than the
# floor's whole configure, for libraries only the dialogs call. A delay-loaded library stays
# loaded once called (the setup library's unload leaves it), and one that cannot be loaded
# raises an exception at the call instead of failing the load; both are fine for libraries
# every Windows has.
function(dsnset_delay_imports target)
  set(folder ${CMAKE_BINARY_DIR}/delay_imports)
  file(MAKE_DIRECTORY ${folder})
  foreach(name IN LISTS ARGN)
    find_file(plain_${name} lib${name}.a PATHS ${CMAKE_FIND_ROOT_PATH}/lib NO_DEFAULT_PATH REQUIRED)
    set(delay_library ${folder}/lib${name}_delay.a)
    if(NOT EXISTS ${delay_library} OR ${plain_${name}} IS_NEWER_THAN ${delay_library})
      execute_process(COMMAND ${CMAKE_NM} ${plain_${name}} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
      string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@?$]+" entries "${symbols}")
      list(TRANSFORM entries REPLACE "^I __imp_" "")
      list(REMOVE_DUPLICATES entries)
      list(JOIN entries "\n" exports)
      file(WRITE ${folder}/${name}.def "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
      execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${name}.def --dllname ${name}.dll
                              --output-delaylib ${delay_library}
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
    target_link_libraries(${target} PRIVATE ${delay_library})
  endforeach()
endfunction()
