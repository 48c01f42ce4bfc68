# CLI11 and nlohmann/json, header-only, from Debian (libcli11-dev,
# nlohmann-json3-dev). The Windows build uses the same headers; it is given a
# folder that holds only these two, since /usr/include itself would hand
# mingw-w64 the host's C library in place of its own.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/header_libraries)
foreach(header CLI/CLI.hpp nlohmann/json.hpp)
  string(MAKE_C_IDENTIFIER "QUILLBOX_${header}_DIR" found)
  find_path(${found} ${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${found})
    message(FATAL_ERROR "${header} not found: run scripts/deps")
  endif()
  get_filename_component(library ${header} DIRECTORY)
  file(CREATE_LINK ${${found}}/${library} ${PROJECT_BINARY_DIR}/header_libraries/${library}
       SYMBOLIC)
endforeach()
add_library(quillbox_header_libraries INTERFACE)
target_include_directories(quillbox_header_libraries SYSTEM INTERFACE
                           ${PROJECT_BINARY_DIR}/header_libraries)
