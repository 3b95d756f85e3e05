# Cross toolchain for the 64-bit pieces of the simulated platform (the kernel-mode
# stand-in driver and its installer): Wine hosts kernel drivers only in 64-bit form.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(BRINDLE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${BRINDLE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRINDLE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${BRINDLE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BRINDLE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
