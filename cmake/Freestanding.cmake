# The two driver libraries are written in the subset of C++ that a Windows
# kernel driver can carry: no exceptions, no RTTI, no thread-safe statics.
# Signed/unsigned mixing is made explicit because the image arithmetic depends
# on it. tests/check_freestanding.sh checks what flags cannot (floating point,
# globals, allocation, standard library headers).
function(sorvex_driver_library target)
  target_compile_options(${target} PRIVATE
    -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -Wsign-conversion -Wshadow -Wcast-align -Wundef -Wdouble-promotion)
endfunction()

# The vector units of a target (files named NAME_sse2.cpp, NAME_ssse3.cpp,
# NAME_sse41.cpp, NAME_avx2.cpp) each get their instruction set's flags.
function(sorvex_vector_unit_flags out source)
  set(flags)
  if(source MATCHES "_sse2\\.cpp$")
    set(flags -msse2)
  elseif(source MATCHES "_ssse3\\.cpp$")
    set(flags -mssse3)
  elseif(source MATCHES "_sse41\\.cpp$")
    set(flags -msse4.1)
  elseif(source MATCHES "_avx2\\.cpp$")
    set(flags -mavx2)
  endif()
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

function(sorvex_vector_units target)
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    sorvex_vector_unit_flags(flags ${source})
    if(NOT flags)
      message(FATAL_ERROR "${source} of ${target} names no instruction set")
    endif()
    set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS "${flags}")
  endforeach()
endfunction()
