# Cross-build for 64-bit Windows with Debian's mingw-w64 (the POSIX thread model, which gives
# std::thread and std::mutex). Programs can be run on this machine through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
