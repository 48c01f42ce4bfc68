# quillbox-cli's commands on the archive reader, run as a program on the real
# saves made by other tools: what `info` and `info --json` print, the files
# `unpack` writes, and the .psu that `convert` writes, with what `info`,
# `list --json` and `extract-all` make of it, must match
# real_saves_archive.expected, which the Linux build wrote and which was
# checked against the tables of the formats note. So the Windows build, run
# under Wine, gives exactly what Linux gives. Checks that hold whatever the
# expected file says come first:
# - the three Rez containers unpack to the same files;
# - the Max Payne .max and .PSV (two saves of one game) hold the same icon.sys;
# - the real .psu converts to itself;
# - the .xps converts to the real .psu but for the times, the two card-position
#   fields and the folder's mode (0x84A7 in the .xps, kept by the converter);
# - each converted .psu extracts in the main window's reader to the files
#   that `unpack` writes.
# This is also the archive reader's test on real saves: the names, sizes,
# modes, times and titles that `info --json` prints, and the SHA-256 of every
# file, are those the formats note gives (the data of the uncompressed
# containers checked at the offsets it gives).
#
#   cmake -DCLI="[emulator|]program" -DSAVES=folder -DOUT=scratch-folder
#         -DEXPECTED=real_saves_archive.expected [-DUPDATE=ON]
#         -P real_saves_archive.cmake
if(NOT EXISTS "${SAVES}/BESCES-50501REZ.psu")
  message("SKIPPED: no real saves in ${SAVES}")
  return()
endif()
string(REPLACE "|" ";" CLI "${CLI}")
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")

# Runs quillbox-cli with ARGN; `var` gets "NAME: ARGN, status N" and what it
# printed, without the folders that differ between machines or Windows' CRs.
function(cli var name)
  execute_process(COMMAND ${CLI} ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  string(REPLACE ";" " " command "${ARGN}")
  set(text "${name}: ${command}, status ${status}\n${out}${err}")
  string(REPLACE "\r" "" text "${text}")
  string(REPLACE "${OUT}/" "" text "${text}")
  string(REPLACE "${SAVES}/" "" text "${text}")
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# One line per file below `dir`: its path there, size and SHA-256.
function(listing var dir)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "No folder \"${dir}\"")
  endif()
  file(GLOB_RECURSE files RELATIVE "${dir}" "${dir}/*")
  list(SORT files)
  set(text "")
  foreach(file IN LISTS files)
    file(SIZE "${dir}/${file}" size)
    file(SHA256 "${dir}/${file}" hash)
    string(APPEND text "  ${file} ${size} ${hash}\n")
  endforeach()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# The MAX save stores no times: its .psu takes the file's, in Japan time
# (2020-03-01 05:30:45 here), whatever the zone the converter runs in.
file(COPY_FILE "${SAVES}/max-payne.22050.max" "${OUT}/touched.max")
execute_process(COMMAND touch -d "2020-02-29 20:30:45 UTC" "${OUT}/touched.max"
                COMMAND_ERROR_IS_FATAL ANY)
set(ENV{TZ} "QBX5")  # five hours behind UTC, in the form that needs no zone files

set(actual "")
set(failures "")
foreach(name BESCES-50501REZ.psu BESCES-50501REZ.xps BESCES-50501REZ.sps max-payne.22050.max
             tokyo-xtreme-racer-drift-2.14091.cbs BESLES-50325.PSV)
  set(save "${SAVES}/${name}")
  set(out "${OUT}/${name}")
  set(psu "${out}.psu")
  set(source "${save}")
  if(name MATCHES "\\.max$")
    set(source "${OUT}/touched.max")
  endif()
  cli(info "${name}" info "${save}")
  cli(json "${name}" info --json "${save}")
  cli(unpacked "${name}" unpack "${save}" "${out}")
  string(REPLACE "\\" "/" unpacked "${unpacked}")  # Windows' separator, after the folder given
  listing(files_${name} "${out}")
  cli(converted "${name}" convert "${source}" "${psu}")
  file(SHA256 "${psu}" hash)
  file(SIZE "${psu}" size)
  cli(psu_info "${name}.psu" info "${psu}")
  cli(psu_json "${name}.psu" list --json "${psu}")
  cli(extracted "${name}.psu" extract-all "${psu}" "${out}.extracted")
  # extract-all writes into the folder it is given, unpack into a folder of the save's name.
  file(GLOB folder "${out}/*")
  listing(from_psu "${out}.extracted")
  listing(from_save "${folder}")
  if(NOT from_psu STREQUAL from_save)
    string(APPEND failures "${name}: the converted .psu extracts to\n${from_psu}but unpack wrote\n${from_save}")
  endif()
  string(APPEND actual "${info}${json}${unpacked}${files_${name}}${converted}  ${size} ${hash}\n"
                       "${psu_info}${psu_json}")
endforeach()

foreach(name BESCES-50501REZ.xps BESCES-50501REZ.sps)
  if(NOT files_${name} STREQUAL files_BESCES-50501REZ.psu)
    string(APPEND failures "${name} unpacks to other files than the .psu:\n${files_${name}}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/max-payne.22050.max/BASLUS-20230/icon.sys"
                        "${OUT}/BESLES-50325.PSV/BESLES-50325/icon.sys" RESULT_VARIABLE differ)
if(differ)
  string(APPEND failures "The .max and the .PSV unpack to different icon.sys files\n")
endif()

# `hex` with `length` bytes from `at` zeroed, two digits a byte.
macro(zero at length)
  math(EXPR from "2 * (${at})")
  math(EXPR digits "2 * ${length}")
  math(EXPR after "${from} + ${digits}")
  string(SUBSTRING "${hex}" 0 ${from} head)
  string(SUBSTRING "${hex}" ${after} -1 tail)
  string(REPEAT "0" ${digits} zeros)
  set(hex "${head}${zeros}${tail}")
endmacro()

# The Rez .psu as hex, with the modes of the folder, "." and ".." and each
# entry's times and card fields (bytes 8 to 31) zeroed.
function(blanked var file)
  file(READ "${file}" hex HEX)
  foreach(entry 0 512 1024)
    zero(${entry} 2)
  endforeach()
  foreach(entry 0 512 1024 1536 3072 50688)
    zero("${entry} + 8" 24)
  endforeach()
  set(${var} "${hex}" PARENT_SCOPE)
endfunction()
file(SHA256 "${SAVES}/BESCES-50501REZ.psu" real)
file(SHA256 "${OUT}/BESCES-50501REZ.psu.psu" converted)
if(NOT converted STREQUAL real)
  string(APPEND failures "The real .psu converts to other bytes\n")
endif()
blanked(real "${SAVES}/BESCES-50501REZ.psu")
blanked(converted "${OUT}/BESCES-50501REZ.xps.psu")
if(NOT converted STREQUAL real)
  string(APPEND failures "The .xps converts to other bytes than the real .psu's, beyond times, card fields and the folder's mode\n")
endif()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${failures}")
endif()
if(UPDATE)
  file(WRITE "${EXPECTED}" "${actual}")
  return()
endif()
file(READ "${EXPECTED}" expected)
if(NOT actual STREQUAL expected)
  file(WRITE "${OUT}/actual.txt" "${actual}")
  message(FATAL_ERROR "quillbox-cli differs from ${EXPECTED}:\n${actual}")
endif()
