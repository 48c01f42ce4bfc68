# Fails, naming the file, when a file of src/ includes a header of a folder
# its own folder may not include: every arrow points down the layers.
#
#   cmake -DSOURCE=path/to/src -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)

# The layers, one row per folder: the folders its files may include besides
# their own. A new folder gets a row here before the check passes.
set(may_include_app about update widgets shell platform saves)
set(may_include_about widgets shell platform)
set(may_include_update widgets shell platform)
set(may_include_shell widgets platform)
set(may_include_widgets platform)
set(may_include_platform "")
set(may_include_cli saves archive)
set(may_include_saves "")
set(may_include_archive "")

get_filename_component(top ${SOURCE} NAME)
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE} ${SOURCE}/*)
set(failures "")
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY ${SOURCE}/${folder})
    continue()
  endif()
  if(NOT DEFINED may_include_${folder})
    string(APPEND failures "${top}/${folder}/ has no row in the table of layers in ${CMAKE_CURRENT_LIST_FILE}\n")
    continue()
  endif()
  file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${SOURCE}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(include IN LISTS includes)
      string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]*).*" "\\1" header "${include}")
      string(REGEX MATCH "^[^/]+" used "${header}")
      if(header MATCHES "(^|/)\\.\\.(/|$)")
        string(APPEND failures "${top}/${file} includes \"${header}\", outside its folder by \"..\"\n")
      elseif(header MATCHES "/" AND NOT used STREQUAL folder
             AND (DEFINED may_include_${used} OR IS_DIRECTORY ${SOURCE}/${used})
             AND NOT used IN_LIST may_include_${folder})
        list(JOIN may_include_${folder} ", " allowed)
        if(allowed STREQUAL "")
          set(allowed "none of the others")
        endif()
        string(APPEND failures "${top}/${file} includes \"${header}\": ${folder} may include ${allowed}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(NOT failures STREQUAL "")
  message(NOTICE "${failures}")  # unwrapped, a line per include
  message(FATAL_ERROR "Includes above point up or sideways; see the table in ${CMAKE_CURRENT_LIST_FILE}")
endif()
