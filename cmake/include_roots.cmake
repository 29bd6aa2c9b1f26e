# Include roots: what a component may include is what it links.
#
# No target sees the source tree itself. Each component's headers are
# reachable through one folder of the build tree, its include root, which
# holds a link to the component's own folder under the path its headers are
# spelled by ("platform/posix/temporary_files.h", "vectors/vector_series.h").
# A target gives its root to the targets that link it (PUBLIC), so a header of
# a component it does not link is not found: an upward or sideways include
# fails to compile.
set(KV_INCLUDE_ROOTS ${PROJECT_BINARY_DIR}/roots)

# kv_include_root(<root> <spelling> [HEADERS <header>...])
# Links the calling folder into the root named <root> as <spelling>. A folder
# that holds other components' folders (platform/, cli/) is not linked whole:
# HEADERS names its own headers, each linked alone.
function(kv_include_root root spelling)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "HEADERS")
  set(place ${KV_INCLUDE_ROOTS}/${root}/${spelling})
  if(arg_HEADERS)
    file(MAKE_DIRECTORY ${place})
    foreach(header IN LISTS arg_HEADERS)
      file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${place}/${header} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${place} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${place} SYMBOLIC)
  endif()
endfunction()
