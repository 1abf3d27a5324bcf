# Hardening of every program built here, as Debian builds its packages: position-independent
# executables, a stack protector, read-only relocations bound at start, and checked string and
# memory functions where the compiler optimises (the checks need optimisation to work). Windows
# programs have no ELF relocations to bind.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-fstack-protector-strong
                    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
if(WIN32)
    add_link_options(-fstack-protector-strong)  # links MinGW's libssp
else()
    add_link_options(-Wl,-z,relro,-z,now)
endif()
