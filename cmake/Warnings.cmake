# Warnings in our own code; apply with target_link_libraries(<t> PRIVATE tabulon::warnings).
# They are errors in the dev presets and in ./test (CI); a packager's build (any build type, any
# compiler version) only shows them, so that a new compiler's new warning does not stop it.
option(TABULON_WERROR "Treat warnings in our own code as errors" OFF)
add_library(tabulon_warnings INTERFACE)
add_library(tabulon::warnings ALIAS tabulon_warnings)
target_compile_options(tabulon_warnings INTERFACE -Wall -Wextra $<$<BOOL:${TABULON_WERROR}>:-Werror>)
# GCC 12 at -O3 (Release) reports a memcpy of 2^63 bytes inside std::string concatenation that
# no path reaches (GCC bug 105329); later versions do not.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(tabulon_warnings INTERFACE -Wno-restrict)
endif()
