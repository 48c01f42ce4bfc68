# Compares `actual` with the file EXPECTED, or writes it there when UPDATE is
# ON. A difference fails with a unified diff, expected against actual.
function(compare_with_expected actual)
  if(UPDATE)
    file(WRITE "${EXPECTED}" "${actual}")
    return()
  endif()
  file(READ "${EXPECTED}" expected)
  if(NOT actual STREQUAL expected)
    file(WRITE "${OUT}/actual.txt" "${actual}")
    execute_process(COMMAND diff -u "${EXPECTED}" "${OUT}/actual.txt" OUTPUT_VARIABLE diff)
    message(FATAL_ERROR "quillbox-cli differs from what is expected (-) in what it did (+):\n${diff}")
  endif()
endfunction()
