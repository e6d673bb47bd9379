# Cross build of the 64-bit Windows programs with MinGW-w64: the same sources as
# the 32-bit program, for running the Windows tests under 64-bit Wine on hosts
# that cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
