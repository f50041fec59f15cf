# Fails when an #include under src/ runs upward between layers, or when the
# core or the platform adapters include Qt.
#
#   cmake -DKW_SOURCE_DIR=<repo>/src -P tools/check-layers.cmake
#
# Inside the core a folder may include itself and the folders before it:
#   base <- ports <- store <- settings <- browser <- actions <- speed <- exchange <- health <- sources <- session
# platform sees base and ports; gui and cli see platform and, of the core, only
# the session and its roles (core/session), the ports and core/base/Error.h,
# never each other.
# Every quoted include names its file by its path below src/.

set(core_order base ports store settings browser actions speed exchange health sources session)

# The rank of a layer name ("core/store", "platform", "gui", "cli"); -1 if unknown.
function(layer_rank layer out)
  set(rank -1)
  if(layer MATCHES "^core/([a-z]+)$")
    list(FIND core_order "${CMAKE_MATCH_1}" rank)
  elseif(layer STREQUAL "platform")
    set(rank 100)
  elseif(layer STREQUAL "gui" OR layer STREQUAL "cli")
    set(rank 200)
  endif()
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# The layer a path below src/ belongs to.
function(layer_of path out)
  if(path MATCHES "^(core/[a-z]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^(platform|gui|cli)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

# Whether a file of layer `from` may include one of layer `to`.
function(may_include from to out)
  layer_rank("${from}" from_rank)
  layer_rank("${to}" to_rank)
  set(allowed FALSE)
  if(from STREQUAL to)
    set(allowed TRUE)
  elseif(to_rank LESS 0)
    set(allowed FALSE)
  elseif(from STREQUAL "platform")
    if(to STREQUAL "core/base" OR to STREQUAL "core/ports")
      set(allowed TRUE)
    endif()
  elseif(from_rank EQUAL 200)
    if(to STREQUAL "platform" OR to STREQUAL "core/session" OR to STREQUAL "core/ports")
      set(allowed TRUE)
    endif()
  elseif(to_rank LESS 100 AND from_rank GREATER_EQUAL to_rank)
    set(allowed TRUE)
  endif()
  set(${out} ${allowed} PARENT_SCOPE)
endfunction()

if(NOT KW_SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DKW_SOURCE_DIR=<src folder> -P check-layers.cmake")
endif()

file(GLOB_RECURSE sources RELATIVE "${KW_SOURCE_DIR}" "${KW_SOURCE_DIR}/*.h" "${KW_SOURCE_DIR}/*.cpp")
list(SORT sources)
set(faults 0)
foreach(source IN LISTS sources)
  layer_of("${source}" from)
  if(from STREQUAL "")
    message("src/${source}: not inside a layer folder (core/<subsystem>, platform, gui, cli)")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(STRINGS "${KW_SOURCE_DIR}/${source}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(target "${CMAKE_MATCH_1}")
      layer_of("${target}" to)
      may_include("${from}" "${to}" allowed)
      if(target STREQUAL "core/base/Error.h")
        set(allowed TRUE)
      endif()
      if(NOT allowed)
        if(to STREQUAL "")
          message("src/${source}:${number}: \"${target}\" is not named by its path below src/")
        else()
          message("src/${source}:${number}: ${from} must not include ${to} (\"${target}\")")
        endif()
        math(EXPR faults "${faults} + 1")
      endif()
    elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<(Q[A-Za-z]*)[/>]" AND NOT from STREQUAL "gui")
      message("src/${source}:${number}: ${from} must not include Qt (<${CMAKE_MATCH_1}>)")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) break the layer order")
endif()
list(LENGTH sources count)
message("layers: ${count} files, every include runs downward")
