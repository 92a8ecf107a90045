# libspng for the Windows build: Debian's source of the version the Linux build links
# (scripts/fetch-windows-sources.sh, which make windows runs, unpacks it), compiled with the cross
# compiler as Debian compiles it (C99, no SIMD paths, which only its decoder has) and linked with
# the static zlib of libz-mingw-w64-dev. The target takes the name the Linux build's pkg-config
# module gives, so the engine links it the same way on both systems.
set(TESK_SPNG_SOURCE "${PROJECT_SOURCE_DIR}/build-windows-sources/libspng" CACHE PATH
    "Unpacked libspng sources for the Windows build (scripts/fetch-windows-sources.sh)")
if(NOT EXISTS ${TESK_SPNG_SOURCE}/spng/spng.c)
  message(FATAL_ERROR "No libspng sources in ${TESK_SPNG_SOURCE}: run scripts/fetch-windows-sources.sh "
                      "(make windows does), or configure with -DTESK_WITH_SPNG=OFF")
endif()
# The archive, not the import library beside it: tesk.dll must not need zlib1.dll.
find_library(TESK_MINGW_ZLIB NAMES libz.a)
find_path(TESK_MINGW_ZLIB_INCLUDE zlib.h)
if(NOT TESK_MINGW_ZLIB OR NOT TESK_MINGW_ZLIB_INCLUDE)
  message(FATAL_ERROR "No mingw zlib in ${CMAKE_FIND_ROOT_PATH} (install libz-mingw-w64-dev)")
endif()
if(NOT TARGET spng_static)
  add_library(spng_static STATIC ${TESK_SPNG_SOURCE}/spng/spng.c)
  set_target_properties(spng_static PROPERTIES C_STANDARD 99 C_EXTENSIONS OFF)
  target_compile_definitions(spng_static PUBLIC SPNG_STATIC PRIVATE SPNG_DISABLE_OPT)
  target_include_directories(spng_static SYSTEM PUBLIC ${TESK_SPNG_SOURCE}/spng PRIVATE ${TESK_MINGW_ZLIB_INCLUDE})
  target_link_libraries(spng_static PUBLIC ${TESK_MINGW_ZLIB})
  # Not our code: its warnings are not ours to read.
  target_compile_options(spng_static PRIVATE -w)
  set_target_properties(spng_static PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
  add_library(PkgConfig::SPNG ALIAS spng_static)
endif()
set(spng_FOUND TRUE)
