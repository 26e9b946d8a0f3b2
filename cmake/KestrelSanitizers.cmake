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
