# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix
# threads variant: std::thread and friends need it). The runtime is linked in
# statically, so a built .exe runs under Wine or on Windows without any DLL
# beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLBOX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLBOX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLBOX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLBOX_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLBOX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and try_run start the programs under Wine, through a script that
# gives them a private, headless prefix inside the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ${CMAKE_BINARY_DIR}/wineprefix)
