# KESTREL_SANITIZE applies to every target of the build tree, so that the
# sanitizer builds of the test command instrument Kestrel's code and tests alike.
if(KESTREL_SANITIZE)
    list(JOIN KESTREL_SANITIZE "," _kestrel_san)
    add_compile_options(-fsanitize=${_kestrel_san} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${_kestrel_san})
    if("undefined" IN_LIST KESTREL_SANITIZE)
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()

# The fuzz tree instruments Kestrel's own code for coverage and ASan/UBSan, so
# that libFuzzer is guided by the readers' branches and stops at their faults,
# not only at the target's.
if(KESTREL_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
