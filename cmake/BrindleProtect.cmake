# The protections a binary review looks for are asked for here, not left to
# the toolchain's defaults, and tools/check-binaries reads them back from
# every image that ships.
#
# brindle_protect_code(<target>...): stack protector and fortified C library
# calls for code that ends up in a shipped image. Whatever links such code
# needs libssp (the guard, the failure path, the *_chk functions), so the
# link option travels with the library.
#
# brindle_shipped_image(<target> [PROGRAM]): the image-wide protections for a
# file that ships, and its place in the binary check's list.
#
# The stand-ins stay without them on purpose: libssp's start-up asks the
# crypto provider for the guard, which a stand-in DLL that the program loads
# and unloads at every resume would repeat each time.

set(BRINDLE_PROTECT_COMPILE_OPTIONS -fstack-protector-strong)
# Fortified calls need the optimiser's object sizes; without it MinGW's
# headers quietly do nothing, so a -O0 build is not claimed as fortified.
list(APPEND BRINDLE_PROTECT_COMPILE_OPTIONS $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)

function(brindle_protect_code)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:C,CXX>:${BRINDLE_PROTECT_COMPILE_OPTIONS}>)
    target_link_options(${target} PUBLIC -fstack-protector-strong)
  endforeach()
endfunction()

function(brindle_shipped_image target)
  cmake_parse_arguments(S "PROGRAM" "" "" ${ARGN})
  brindle_protect_code(${target})
  # Nothing shipped imports data from a DLL, so neither the auto-import
  # thunks nor the run-time pseudo-relocations (which make .text writable
  # while the runtime patches it) are needed. GCC's i686 code unwinds with
  # DWARF tables and neither our code nor the static runtime puts a handler
  # on the SEH chain (the check reads the code for it), so the image says so.
  target_link_options(${target} PRIVATE
      -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-seh
      -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)
  if(S_PROGRAM)
    target_link_options(${target} PRIVATE -Wl,--tsaware)
  endif()
  set_property(GLOBAL APPEND PROPERTY BRINDLE_SHIPPED_IMAGES "$<TARGET_FILE:${target}>")
endfunction()
