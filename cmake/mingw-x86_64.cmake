# Cross-compiling for 64-bit Windows with MinGW-w64; programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LAYER_TRIPLE x86_64-w64-mingw32)
set(LAYER_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
# The loaders themselves: the "wine" wrapper prefers the 32-bit loader whenever
# wine32 is installed, even where the kernel cannot run it.
set(LAYER_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
