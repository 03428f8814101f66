# Cross-compiling for 32-bit Windows (the shipped module) with MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LAYER_TRIPLE i686-w64-mingw32)
# stdole2.tlb is the same library in both halves of Wine; use the 32-bit copy
# when wine32 is installed, else the 64-bit one.
if(EXISTS /usr/lib/i386-linux-gnu/wine/i386-windows/stdole2.tlb)
  set(LAYER_WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
else()
  set(LAYER_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
endif()
set(LAYER_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
