# The MinGW-w64 tools of one target triple (SORVEX_MINGW_TRIPLE), shared by
# the toolchain files beside this one.
# The win32 thread model comes first: its runtime needs no threading DLL.
find_program(SORVEX_MINGW_CXX NAMES ${SORVEX_MINGW_TRIPLE}-g++-win32 ${SORVEX_MINGW_TRIPLE}-g++)
if(NOT SORVEX_MINGW_CXX)
  message(FATAL_ERROR "${SORVEX_MINGW_TRIPLE}-g++ not found: run scripts/setup_windows.sh")
endif()
string(REGEX REPLACE "g\\+\\+" "gcc" SORVEX_MINGW_CC "${SORVEX_MINGW_CXX}")
set(CMAKE_C_COMPILER ${SORVEX_MINGW_CC})
set(CMAKE_CXX_COMPILER ${SORVEX_MINGW_CXX})
set(CMAKE_RC_COMPILER ${SORVEX_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${SORVEX_MINGW_TRIPLE}-objdump)
set(SORVEX_MINGW_DLLTOOL ${SORVEX_MINGW_TRIPLE}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${SORVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
