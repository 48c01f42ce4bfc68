# The Windows build, cross-compiled here and tested under Wine (preset
# "windows"). GoogleTest is built for the target from the sources Debian ships
# in its googletest package; the host's libgtest cannot link into a .exe.
set(QUILLBOX_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH
    "GoogleTest sources to build for the target")
if(NOT EXISTS "${QUILLBOX_GOOGLETEST_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR
    "No GoogleTest sources in ${QUILLBOX_GOOGLETEST_SOURCE}: run scripts/deps --windows")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)  # Win32 threads instead
add_subdirectory(${QUILLBOX_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest
                 EXCLUDE_FROM_ALL SYSTEM)
