# 32-bit x86 Linux with the host's gcc and Debian's g++-multilib: the build
# that runs the shipped driver images (windows/runner). Every function
# realigns its stack when it needs to, since the drivers call into it with
# the 4-byte alignment of the Windows kernel stack.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i386)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-m32 -mincoming-stack-boundary=2")
set(CMAKE_ASM_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
