# Shared by the two toolchain files, which set VARNELLE_MINGW_TRIPLET first: the
# posix-threaded mingw-w64 compilers (the win32-threaded ones lack std::mutex,
# which googletest needs), searching only the target's own root for libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${VARNELLE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNELLE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${VARNELLE_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VARNELLE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
