# Warnings are errors in our own code; apply with target_link_libraries(<t> PRIVATE tabulon::warnings).
add_library(tabulon_warnings INTERFACE)
add_library(tabulon::warnings ALIAS tabulon_warnings)
target_compile_options(tabulon_warnings INTERFACE -Wall -Wextra -Werror)
