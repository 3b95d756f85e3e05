# The stand-in misc driver is 64-bit while everything else is 32-bit, so it is
# a project of its own, built with the x86_64 toolchain on every build.
include(ExternalProject)
set(BRINDLE_DRIVER_DIR ${CMAKE_BINARY_DIR}/sim/driver-x64)
ExternalProject_Add(sim_driver
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/sim/driver
  BINARY_DIR ${BRINDLE_DRIVER_DIR}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-x86_64-mingw.cmake
             -DCMAKE_BUILD_TYPE=Release
             -DBRINDLE_SOURCE_DIR=${CMAKE_SOURCE_DIR}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD OFF)
