# SPDX-License-Identifier: MIT
# The protections Debian builds its own packages with (dpkg-buildflags): lintian reports
# a packaged binary without them. Optimised builds only, since _FORTIFY_SOURCE needs the
# optimiser, and not together with the sanitizers, which bring their own checks.
option(EXTCALC_HARDENING "Build optimised binaries with Debian's hardening flags" ON)
# WebAssembly has neither: its memory holds no code and its stack is not addressable.
if(EXTCALC_HARDENING AND NOT MSVC AND NOT EXTCALC_SANITIZE AND NOT EXTCALC_FUZZ AND NOT EMSCRIPTEN)
    set(extcalc_optimised $<NOT:$<CONFIG:Debug>>)
    add_compile_options($<${extcalc_optimised}:-D_FORTIFY_SOURCE=2>
                        $<${extcalc_optimised}:-fstack-protector-strong>)
    if(WIN32)
        # MinGW keeps the stack protector and the fortified functions in libssp, which GCC
        # links when the option is given at link time too. Windows programs have no RELRO
        # and the linker knows no -z; it marks them for ASLR and DEP by default.
        add_link_options($<${extcalc_optimised}:-fstack-protector-strong>)
    else()
        add_link_options($<${extcalc_optimised}:LINKER:-z,relro,-z,now>)
    endif()
endif()
