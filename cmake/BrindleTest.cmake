# GoogleTest from Debian's sources, cross-built like the program itself.
set(BRINDLE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${BRINDLE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Test code (GoogleTest, the tests, their helpers) is compiled for debugging
# with line tables only: it costs less than half of the product's -O2 -g to
# build and link. The product's own objects, which the tests link, keep the
# build type's flags, so the tests test what ships.
set(BRINDLE_TEST_CODE_OPTIONS $<$<AND:$<CONFIG:RelWithDebInfo,Release>,$<COMPILE_LANGUAGE:C,CXX>>:-Og$<SEMICOLON>-g1>)
foreach(target gtest gmock)
  target_compile_options(${target} PRIVATE ${BRINDLE_TEST_CODE_OPTIONS})
endforeach()

# Tests run in environments of their own (tools/test-env: an X display, a
# copy of a prepared template prefix and a Wine session), made from the
# template that this fixture prepares and that nothing runs in. Fixtures, so
# a plain `ctest -R x` in the build tree works as well as tools/test.
set(BRINDLE_TEST_ENV ${CMAKE_SOURCE_DIR}/tools/test-env)
set(BRINDLE_TEST_ENV_ROOT ${CMAKE_BINARY_DIR}/testenv)
add_test(NAME wine_prefix
         COMMAND ${CMAKE_SOURCE_DIR}/tools/prepare-prefix ${BRINDLE_WINEPREFIX} ${BRINDLE_DRIVER_DIR}
                 $<TARGET_FILE:brindlewmi>)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wineprefix TIMEOUT 600)
# The windowless executables that leave the simulated platform alone share one
# environment for the whole run.
add_test(NAME shared_env_start
         COMMAND ${BRINDLE_TEST_ENV} start ${BRINDLE_TEST_ENV_ROOT}/shared ${BRINDLE_WINEPREFIX}
                 ${BRINDLE_DRIVER_DIR})
add_test(NAME shared_env_stop COMMAND ${BRINDLE_TEST_ENV} stop ${BRINDLE_TEST_ENV_ROOT}/shared)
set_tests_properties(shared_env_start PROPERTIES FIXTURES_SETUP sharedenv FIXTURES_REQUIRED wineprefix
                                                 TIMEOUT 180)
set_tests_properties(shared_env_stop PROPERTIES FIXTURES_CLEANUP sharedenv TIMEOUT 60)

# Two libraries with the same main: the windowless one fails any test that
# creates a top-level window.
foreach(variant brindle_test_main brindle_test_main_windowless)
  add_library(${variant} STATIC ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp)
  target_link_libraries(${variant} PUBLIC GTest::gmock GTest::gtest user32)
  target_compile_options(${variant} PRIVATE ${BRINDLE_TEST_CODE_OPTIONS})
endforeach()
target_compile_definitions(brindle_test_main_windowless PRIVATE BRINDLE_TEST_WINDOWLESS)

# brindle_add_test(NAME name SOURCES files... [LIBS libs...]
#                  [WINDOWLESS] [PLATFORM] [TIMEOUT seconds] [SHARDS n])
#
# Two executables showing windows on one display take the focus and the
# foreground from each other, and two that change the simulated platform
# (stand-in modem, product key, driver, fake tray, all in the prefix and its
# session) change it under each other. So by default an executable runs in an
# environment of its own (tools/test-env own): its own X display, its own copy
# of the template prefix, its own Wine session, made when it starts and ended
# when it ends. Executables in different environments may then run side by
# side; nothing needs a lock.
# WINDOWLESS: creates no top-level window (its main holds it to that); without
# PLATFORM it also leaves the platform alone and runs in the one environment
# the windowless executables share.
# PLATFORM: changes the simulated platform: always an environment of its own.
# TIMEOUT: a few times the executable's usual wall time, so that a stall fails
# within minutes and names the executable (default 60 s). Divided by the
# shards, it is also the cost by which ctest starts the long entries first.
# SHARDS: an executable whose cases mostly wait (the program's mandated
# delays) runs as n ctest entries name_1ofn... side by side, each in an
# environment of its own with every n-th case (GoogleTest's sharding).
function(brindle_add_test)
  cmake_parse_arguments(T "WINDOWLESS;PLATFORM" "NAME;TIMEOUT;SHARDS" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  if(NOT T_SHARDS)
    set(T_SHARDS 1)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_WINDOWLESS)
    set(main brindle_test_main_windowless)
  else()
    set(main brindle_test_main)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${main})
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${T_NAME} PRIVATE ${BRINDLE_TEST_CODE_OPTIONS})
  if(T_WINDOWLESS AND NOT T_PLATFORM)
    if(T_SHARDS GREATER 1)
      message(FATAL_ERROR "${T_NAME}: only an executable with an environment of its own is sharded")
    endif()
    add_test(NAME ${T_NAME} COMMAND ${BRINDLE_TEST_ENV} run ${BRINDLE_TEST_ENV_ROOT}/shared
                                    $<TARGET_FILE:${T_NAME}> --gtest_color=no)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED sharedenv TIMEOUT ${T_TIMEOUT} COST ${T_TIMEOUT})
    return()
  endif()
  math(EXPR cost "${T_TIMEOUT} / ${T_SHARDS}")
  foreach(shard RANGE 1 ${T_SHARDS})
    set(entry ${T_NAME})
    if(T_SHARDS GREATER 1)
      set(entry ${T_NAME}_${shard}of${T_SHARDS})
    endif()
    add_test(NAME ${entry} COMMAND ${BRINDLE_TEST_ENV} own ${BRINDLE_TEST_ENV_ROOT}/${entry} ${BRINDLE_WINEPREFIX}
                                   ${BRINDLE_DRIVER_DIR} $<TARGET_FILE:${T_NAME}> --gtest_color=no)
    set_tests_properties(${entry} PROPERTIES FIXTURES_REQUIRED wineprefix TIMEOUT ${T_TIMEOUT} COST ${cost})
    if(T_SHARDS GREATER 1)
      math(EXPR index "${shard} - 1")
      set_tests_properties(${entry} PROPERTIES ENVIRONMENT "GTEST_TOTAL_SHARDS=${T_SHARDS};GTEST_SHARD_INDEX=${index}")
    endif()
  endforeach()
endfunction()
