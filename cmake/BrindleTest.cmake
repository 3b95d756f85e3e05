# GoogleTest from Debian's sources, cross-built like the program itself.
set(BRINDLE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${BRINDLE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Every test executable needs a prepared prefix; preparing it is itself a
# test so that a plain `ctest` in the build tree works as well as tools/test.
add_test(NAME wine_prefix
         COMMAND ${CMAKE_SOURCE_DIR}/tools/prepare-prefix ${BRINDLE_WINEPREFIX} ${BRINDLE_DRIVER_DIR}
                 $<TARGET_FILE:brindlewmi>)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wineprefix RESOURCE_LOCK platform)

# brindle_add_test(NAME name SOURCES files... [LIBS libs...] [PLATFORM])
# PLATFORM: the test changes machine-wide simulated state (stand-in modem,
# registry, driver), so it must not run beside another such test.
function(brindle_add_test)
  cmake_parse_arguments(T "PLATFORM" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wineprefix TIMEOUT 600)
  if(T_PLATFORM)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK platform)
  endif()
endfunction()
