# zem_expose_headers(<target> <folder> <dir>): the headers of `dir` are included as
# "<folder>/name.h", and only by `target` and the targets that link it: the target puts on the
# include path a folder of its own that holds just a link to `dir`. A lower layer that includes
# a higher one therefore fails to compile instead of quietly growing a cycle.
function(zem_expose_headers target folder dir)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${dir} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# zem_library(<target> <folder> <sources...>): the static library of the named files of
# src/<folder>/, its headers exposed as above.
function(zem_library target folder)
  add_library(${target} STATIC ${ARGN})
  zem_expose_headers(${target} ${folder} ${CMAKE_SOURCE_DIR}/src/${folder})
endfunction()
