# fmt for the Windows build: header-only, from the staged copy of the host's headers.
if(NOT TARGET fmt::fmt)
  add_library(fmt::fmt INTERFACE IMPORTED)
  target_include_directories(fmt::fmt SYSTEM INTERFACE ${TESK_STAGED_INCLUDE})
  target_compile_definitions(fmt::fmt INTERFACE FMT_HEADER_ONLY)
endif()
set(fmt_FOUND TRUE)
