# Cross-build for 32-bit Windows with Debian's mingw-w64: the form of tesk.dll that 32-bit hosts
# load, with __stdcall entries under their plain names.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
