# Cross build for 64-bit Windows.
set(VARNELLE_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
# ctest and test discovery run the .exe files through 64-bit Wine, called by its own
# loader: Debian's wine wrapper picks the 32-bit one whenever it is installed.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-x64/wine)
set(VARNELLE_ARCH x64)
