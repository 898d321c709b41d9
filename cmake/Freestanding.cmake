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
