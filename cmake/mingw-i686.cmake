# Cross build for 32-bit Windows.
set(VARNELLE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86)
# ctest and test discovery run the .exe files through Wine (32-bit, Debian's wrapper).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
set(VARNELLE_ARCH x86)
