# Everything built here runs under Wine in prefixes that belong to the build
# tree, so no run ever touches the user's ~/.wine: this one, prepared by
# tools/prepare-prefix, is the template the tests' environments are copied
# from (tools/test-env), and nothing runs in it.
set(BRINDLE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix for tests and runs")

find_program(BRINDLE_WINE wine REQUIRED)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-exec.in ${CMAKE_BINARY_DIR}/wine-exec @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-exec)
