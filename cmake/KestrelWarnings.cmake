# Warnings are on for all of Kestrel's own targets; every folder's CMakeLists
# calls kestrel_warnings() for its targets. The test command builds with
# KESTREL_WERROR=ON so that the tree stays clean.
option(KESTREL_WERROR "Treat warnings as errors" OFF)

function(kestrel_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        -Wimplicit-fallthrough -Wformat=2)
    if(KESTREL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
