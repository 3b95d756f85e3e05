# GoogleTest from Debian's sources, cross-built like the program itself.
set(BRINDLE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${BRINDLE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Every test executable needs a prepared prefix and a running Wine session;
# both are fixtures, so a plain `ctest -R x` in the build tree works as well as
# tools/test.
add_test(NAME wine_prefix
         COMMAND ${CMAKE_SOURCE_DIR}/tools/prepare-prefix ${BRINDLE_WINEPREFIX} ${BRINDLE_DRIVER_DIR}
                 $<TARGET_FILE:brindlewmi>)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wineprefix RESOURCE_LOCK "platform;desktop"
                                            TIMEOUT 600)
add_test(NAME wine_session_start COMMAND ${CMAKE_BINARY_DIR}/wine-session start)
add_test(NAME wine_session_stop COMMAND ${CMAKE_BINARY_DIR}/wine-session stop)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP winesession FIXTURES_REQUIRED wineprefix
                                                   RESOURCE_LOCK "platform;desktop" TIMEOUT 120)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP winesession
                                                  RESOURCE_LOCK "platform;desktop" TIMEOUT 60)

# Two libraries with the same main: the windowless one fails any test that
# creates a top-level window.
foreach(variant brindle_test_main brindle_test_main_windowless)
  add_library(${variant} STATIC ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp)
  target_link_libraries(${variant} PUBLIC GTest::gmock GTest::gtest user32)
endforeach()
target_compile_definitions(brindle_test_main_windowless PRIVATE BRINDLE_TEST_WINDOWLESS)

# brindle_add_test(NAME name SOURCES files... [LIBS libs...]
#                  [WINDOWLESS] [PLATFORM] [TIMEOUT seconds])
#
# All tests of a build tree share one X display, one Wine desktop and one
# prefix. Two executables showing windows at once take the focus and the
# foreground from each other, so by default an executable has the desktop to
# itself (lock "desktop"). Only one that creates no top-level window may say
# WINDOWLESS and run beside the others; its main holds it to that.
# PLATFORM: the test changes the machine-wide simulated state (stand-in modem,
# product key, driver, fake tray), which lives in the shared prefix.
# TIMEOUT: a few times the executable's usual wall time, so that a stall fails
# within minutes and names the executable (default 60 s).
function(brindle_add_test)
  cmake_parse_arguments(T "WINDOWLESS;PLATFORM" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_WINDOWLESS)
    set(main brindle_test_main_windowless)
  else()
    set(main brindle_test_main)
    list(APPEND locks desktop)
  endif()
  if(T_PLATFORM)
    list(APPEND locks platform)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${main})
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED "wineprefix;winesession" TIMEOUT ${T_TIMEOUT})
  if(locks)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
endfunction()
