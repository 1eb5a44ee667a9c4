# Compiler checks as targets that our own targets link, never as flags of the whole tree,
# so that the outside libraries build with their own settings.
option(DSNSET_WERROR "Treat warnings as errors (CI turns this on)" OFF)
add_library(dsnset_warnings INTERFACE)
target_compile_options(dsnset_warnings INTERFACE -Wall -Wextra $<$<BOOL:${DSNSET_WERROR}>:-Werror>)

# AddressSanitizer and UndefinedBehaviorSanitizer for the native build of the Windows-free
# core, its tests and its fuzzers.
option(DSNSET_SANITIZE "Build the native core with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
add_library(dsnset_sanitizers INTERFACE)
if(DSNSET_NATIVE AND DSNSET_SANITIZE)
  target_compile_options(dsnset_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(dsnset_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# Every target defined after this in the calling directory and below it.
link_libraries(dsnset_warnings dsnset_sanitizers)
