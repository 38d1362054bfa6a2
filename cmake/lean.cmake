# Lean programs: the shipped executables carry no exception machinery, unwind
# tables, RTTI, iostreams or C++ thread library. Everything is compiled that
# way by default; tests/ and bench/ turn exceptions back on for their own code
# (vl_full_runtime_here), and GoogleTest keeps them.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(VL_NO_EXCEPTIONS -fno-exceptions -fno-unwind-tables -fno-asynchronous-unwind-tables)
    set(VL_WITH_EXCEPTIONS -fexceptions -funwind-tables -fasynchronous-unwind-tables)
else()
    # 64-bit Windows walks every frame by its unwind tables (system
    # exceptions, debug output), so they stay; only C++ exceptions go.
    set(VL_NO_EXCEPTIONS -fno-exceptions)
    set(VL_WITH_EXCEPTIONS -fexceptions)
endif()

# The framework's own run-time classes (RUNTIME_CLASS, IsKindOf) replace RTTI,
# for tests too: a test class derived from a framework class needs its base's
# type information, which the framework does not emit.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>
                    "$<$<COMPILE_LANGUAGE:C,CXX>:${VL_NO_EXCEPTIONS}>")

# Directory-wide: exceptions back on for the code of the current folder.
macro(vl_full_runtime_here)
    add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${VL_WITH_EXCEPTIONS}>")
endmacro()

# A shipped program (or a test build of one): lean compile options even in a
# folder that turned exceptions back on, the runtime replacements, and a link
# map beside the executable for the size benchmark (bench/size.py).
function(vl_lean_program target)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:${VL_NO_EXCEPTIONS}>")
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:vl_lean_runtime>)
    target_link_options(${target} PRIVATE "LINKER:-Map=$<TARGET_FILE:${target}>.map")
endfunction()
