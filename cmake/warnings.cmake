# One warnings target for all of the project's own code.
add_library(quillbox_warnings INTERFACE)
target_compile_options(quillbox_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
  $<$<BOOL:${QUILLBOX_WERROR}>:-Werror>)

# Outside release builds the standard library checks every subscript, so an
# index one past the end fails the tests instead of reading a neighbour.
target_compile_definitions(quillbox_warnings INTERFACE $<$<NOT:$<CONFIG:Release>>:_GLIBCXX_ASSERTIONS>)
