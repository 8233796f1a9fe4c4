# Cross-compiles the same sources for 64-bit Windows, so the test suite can
# run natively under wine64 on machines that execute no 32-bit x86 code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
