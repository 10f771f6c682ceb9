# Each folder of src/ is a layer, and each layer's library sees only itself
# and the layers below it: its include path is a folder of the build tree,
# layers/<layer>/, holding a link to each of those folders of src/. So
# `#include "tasks/TaskList.h"` compiles in engine/ and fails in config/, and
# every include keeps its "layer/File.h" form. scripts/check-layers.sh checks
# what a compiler cannot see (the order of the folders, cycles inside one).
#
# tarvolin_layer_includes(<target> <layer> <layers below it>...)
function(tarvolin_layer_includes target layer)
  set(view ${CMAKE_BINARY_DIR}/layers/${layer})
  file(MAKE_DIRECTORY ${view})
  set(wanted ${layer} ${ARGN})
  # Links of an earlier order go (a removed link leaves its folder as it is).
  file(GLOB present LIST_DIRECTORIES true RELATIVE ${view} ${view}/*)
  foreach(name IN LISTS present)
    if(NOT name IN_LIST wanted)
      file(REMOVE ${view}/${name})
    endif()
  endforeach()
  foreach(folder IN LISTS wanted)
    set(source ${CMAKE_SOURCE_DIR}/src/${folder})
    if(IS_SYMLINK ${view}/${folder})
      file(READ_SYMLINK ${view}/${folder} current)
      if(current STREQUAL source)
        continue()
      endif()
      file(REMOVE ${view}/${folder})
    endif()
    file(CREATE_LINK ${source} ${view}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${view})
endfunction()
