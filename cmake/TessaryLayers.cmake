# Each layer's headers, visible only where its layer may be used. The sources include every
# header by its path from the source root ("platform/file.h", "model/pass/input_file.h"), but no
# target sees the source root: each library gets include directories in the build tree that
# hold links to its own headers alone, under the same paths. A target sees a header only if it
# links the library that exposes it, so an include that goes the wrong way between the layers
# fails to compile, the same in every build (Linux, Windows, the sanitizers, the fuzz targets).
#
# tessary_layer(<library> [INTERNAL <header>...])
#   Makes <library>, already added, the layer that cmake/Layers.cmake describes: it links the
#   libraries of the layers it uses and sees their public headers, and its own headers are
#   exposed as tessary_layer_headers says, its implementation folders private.
#
# tessary_layer_headers(<target> FOLDERS <folder>... [IMPLEMENTATIONS <sub>...]
#                       [INTERNAL <header>...])
#   Every header below each <folder> is public: the target's users see it. Private, seen only
#   by the target's own sources (and by <target>_internal, for the parts of the layer built
#   apart from it and for tests of its implementation), are the headers in the implementation
#   folders <folder>/<sub>/, every header whose name ends in _p.h and the INTERNAL ones (paths
#   from their <folder>). So a header added to a layer's folder needs no change here, and a
#   header added to an implementation folder stays inside the layer. For an INTERFACE target,
#   only the public headers.
#
# tessary_expose_headers(<target> <header>...)
#   Makes <target> an interface library that exposes exactly these headers (paths from the
#   source root), for a layer that shares one private header with a named other one.
#
# The links are made at configure time, and the list of headers is checked again at every
# build, so that adding or removing a header reconfigures. Where the file system has no
# symbolic links, the headers are copied, and a change to one reconfigures too. The functions
# serve any project built from these sources (the browser's too): the source folder is the one
# above this file's.

get_filename_component(TESSARY_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)
set(TESSARY_LAYERS_DIR ${PROJECT_BINARY_DIR}/layers)

# Makes <dir> hold exactly <headers> (paths from the source root), each a link to the source.
function(_tessary_mirror_headers dir)
  set(wanted)
  foreach(header IN LISTS ARGN)
    set(link ${dir}/${header})
    set(source ${TESSARY_SOURCE_DIR}/${header})
    list(APPEND wanted ${link})
    if(IS_SYMLINK ${link})
      file(READ_SYMLINK ${link} target)
      if(target STREQUAL source)
        continue()
      endif()
    endif()
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(REMOVE ${link})
    file(CREATE_LINK ${source} ${link} RESULT failed COPY_ON_ERROR SYMBOLIC)
    if(failed)
      message(FATAL_ERROR "Cannot make ${link}: ${failed}")
    endif()
    if(NOT IS_SYMLINK ${link})
      set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        ${source})
    endif()
  endforeach()
  # A header that was removed or moved leaves no link behind, so no include finds it.
  file(GLOB_RECURSE present LIST_DIRECTORIES false ${dir}/*)
  foreach(link IN LISTS present)
    if(NOT link IN_LIST wanted)
      file(REMOVE ${link})
    endif()
  endforeach()
  file(GLOB_RECURSE folders LIST_DIRECTORIES true ${dir}/*)
  list(SORT folders ORDER DESCENDING)  # a folder's own folders first
  foreach(folder IN LISTS folders)
    if(IS_DIRECTORY ${folder} AND NOT IS_SYMLINK ${folder})
      file(GLOB left ${folder}/*)
      if(NOT left)
        file(REMOVE_RECURSE ${folder})
      endif()
    endif()
  endforeach()
  file(MAKE_DIRECTORY ${dir})
endfunction()

function(tessary_layer_headers target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "FOLDERS;IMPLEMENTATIONS;INTERNAL")
  if(NOT ARG_FOLDERS)
    message(FATAL_ERROR "tessary_layer_headers(${target}): FOLDERS is missing")
  endif()
  set(public)
  set(private)
  set(internal_found)
  foreach(folder IN LISTS ARG_FOLDERS)
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${TESSARY_SOURCE_DIR}/${folder}
      ${TESSARY_SOURCE_DIR}/${folder}/*.h ${TESSARY_SOURCE_DIR}/${folder}/*.hpp)
    foreach(inside IN LISTS headers)
      set(hidden OFF)
      if(inside IN_LIST ARG_INTERNAL)
        set(hidden ON)
        list(APPEND internal_found ${inside})
      elseif(inside MATCHES "_p\\.(h|hpp)$")
        set(hidden ON)
      endif()
      foreach(sub IN LISTS ARG_IMPLEMENTATIONS)
        if(inside MATCHES "^${sub}/")
          set(hidden ON)
        endif()
      endforeach()
      if(hidden)
        list(APPEND private ${folder}/${inside})
      else()
        list(APPEND public ${folder}/${inside})
      endif()
    endforeach()
  endforeach()
  foreach(name IN LISTS ARG_INTERNAL)
    if(NOT name IN_LIST internal_found)
      message(FATAL_ERROR "tessary_layer_headers(${target}): no header ${name} in ${ARG_FOLDERS}")
    endif()
  endforeach()

  set(dir ${TESSARY_LAYERS_DIR}/${target})
  _tessary_mirror_headers(${dir}/public ${public})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    if(private)
      message(FATAL_ERROR "tessary_layer_headers(${target}): an interface library has no "
        "private headers")
    endif()
    target_include_directories(${target} INTERFACE ${dir}/public)
    return()
  endif()
  _tessary_mirror_headers(${dir}/private ${private})
  target_include_directories(${target} PUBLIC ${dir}/public PRIVATE ${dir}/private)

  # The layer's private headers, for what belongs to the layer but is built apart from the
  # library, and for the tests of its implementations. A static library's private links are
  # not passed on, so linking this one privately leaks nothing to the users of the library.
  add_library(${target}_internal INTERFACE)
  target_include_directories(${target}_internal INTERFACE ${dir}/private)
  target_link_libraries(${target}_internal INTERFACE ${target})
endfunction()

function(tessary_layer library)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "INTERNAL")
  tessary_layer_row(${library} layer)
  if(NOT layer_FOUND)
    message(FATAL_ERROR "tessary_layer(${library}): no row in cmake/Layers.cmake")
  endif()
  set(used)
  foreach(use IN LISTS layer_USES)
    string(REGEX REPLACE ":.*" "" use "${use}")
    list(APPEND used ${use})
  endforeach()
  get_target_property(type ${library} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${library} INTERFACE ${used})
  else()
    target_link_libraries(${library} PUBLIC ${used})
  endif()
  tessary_layer_headers(${library} FOLDERS ${layer_FOLDER}
    IMPLEMENTATIONS ${layer_IMPLEMENTATIONS} INTERNAL ${ARG_INTERNAL})
endfunction()

function(tessary_expose_headers target)
  add_library(${target} INTERFACE)
  foreach(header IN LISTS ARGN)
    if(NOT EXISTS ${TESSARY_SOURCE_DIR}/${header})
      message(FATAL_ERROR "tessary_expose_headers(${target}): no header ${header}")
    endif()
  endforeach()
  _tessary_mirror_headers(${TESSARY_LAYERS_DIR}/${target} ${ARGN})
  target_include_directories(${target} INTERFACE ${TESSARY_LAYERS_DIR}/${target})
endfunction()
