# Warning and sanitizer flags shared by every target of the project.
add_library(corvida_options INTERFACE)
target_compile_options(corvida_options INTERFACE -Wall -Wextra -Wpedantic -Werror=format)
if(CORVIDA_WERROR)
    target_compile_options(corvida_options INTERFACE -Werror)
endif()

if(CORVIDA_SANITIZE)
    set(corvida_sanitizers -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_compile_options(${corvida_sanitizers})
    add_link_options(${corvida_sanitizers})
endif()
