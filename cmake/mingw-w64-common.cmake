# Shared part of the two mingw-w64 toolchain files; TESK_MINGW_TRIPLE names the target.
set(CMAKE_C_COMPILER ${TESK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESK_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TESK_MINGW_TRIPLE})
# Never pick up the host's libraries or headers; programs (code generators) come from the host.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_DLLTOOL ${TESK_MINGW_TRIPLE}-dlltool)
