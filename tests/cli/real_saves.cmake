# quillbox-cli run as a program on the real saves made by other tools: what
# `list --json` prints and the files `extract-all` writes (names, sizes,
# SHA-256) must match real_saves.expected, which the Linux build wrote. So the
# Windows build, run under Wine, lists and extracts exactly as Linux does.
#
#   cmake -DCLI="[emulator|]program" -DSAVES=folder -DOUT=scratch-folder
#         -DEXPECTED=real_saves.expected [-DUPDATE=ON] -P real_saves.cmake
#
# UPDATE=ON writes the expected file instead of comparing.
if(NOT EXISTS "${SAVES}/BESCES-50501REZ.psu")
  message("SKIPPED: no real saves in ${SAVES}")
  return()
endif()
string(REPLACE "|" ";" CLI "${CLI}")

set(actual "")
foreach(name BESCES-50501REZ.psu BESCES-50501REZ.xps BESCES-50501REZ.sps)
  set(save "${SAVES}/${name}")
  set(out "${OUT}/${name}")
  file(REMOVE_RECURSE "${out}")
  execute_process(COMMAND ${CLI} list --json "${save}" OUTPUT_VARIABLE json RESULT_VARIABLE listed)
  execute_process(COMMAND ${CLI} extract-all "${save}" "${out}"
                  OUTPUT_QUIET RESULT_VARIABLE extracted)
  # The saves' folder differs between machines; Windows ends lines with CR LF.
  string(REPLACE "${SAVES}/" "" json "${json}")
  string(REPLACE "\r" "" json "${json}")
  string(APPEND actual "${name}: list --json, status ${listed}\n${json}")
  string(APPEND actual "${name}: extract-all, status ${extracted}\n")
  file(GLOB files RELATIVE "${out}" "${out}/*")
  list(SORT files)
  foreach(file IN LISTS files)
    file(SIZE "${out}/${file}" size)
    file(SHA256 "${out}/${file}" hash)
    string(APPEND actual "  ${file} ${size} ${hash}\n")
  endforeach()
endforeach()

include("${CMAKE_CURRENT_LIST_DIR}/expected.cmake")
compare_with_expected("${actual}")
