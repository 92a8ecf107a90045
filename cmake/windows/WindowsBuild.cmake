# The Windows cross-build (mingw-w64): the library and the command only. Qt, FreeImage, Google
# Benchmark and libFuzzer have no mingw builds here, so those parts stay off.
foreach(option TESK_BUILD_GUI TESK_BUILD_BENCH TESK_FUZZ TESK_SANITIZE)
  if(${option})
    message(FATAL_ERROR "${option} is not available in the Windows build; configure with -D${option}=OFF")
  endif()
endforeach()

# The C and C++ run-times and winpthread go into each program and into tesk.dll, so they run
# under wine or on a bare Windows without extra DLLs.
add_link_options(-static)
# Keep <windows.h> from defining min/max and the rarely used APIs.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)

# The header-only libraries come from the host's /usr/include one folder at a time: the whole of
# /usr/include would put glibc's headers in front of mingw's.
set(TESK_STAGED_INCLUDE ${PROJECT_BINARY_DIR}/staged-include)
foreach(dir fmt CLI nlohmann)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing (libfmt-dev, libcli11-dev, nlohmann-json3-dev)")
  endif()
  file(MAKE_DIRECTORY ${TESK_STAGED_INCLUDE})
  if(NOT EXISTS ${TESK_STAGED_INCLUDE}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${TESK_STAGED_INCLUDE}/${dir} SYMBOLIC)
  endif()
endforeach()

# Tests run under wine in a prefix of this build's own.
find_program(TESK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TESK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run ${PROJECT_BINARY_DIR}/wineprefix)
endif()
