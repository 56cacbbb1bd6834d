# quarvel_headers(TARGET PATH...)
#
# Lets the code that links TARGET include the headers PATH, each a header or
# a folder of them relative to quarvel/ ("host.h", "native/pdf"), as
# "PATH" or "PATH/NAME.h", and nothing else through TARGET. Every target has
# an include folder of its own, made of links to its own headers, so that a
# header of a target that is not linked is not found: an include against
# the direction of the targets fails to build.
function(quarvel_headers target)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  foreach(path IN LISTS ARGN)
    cmake_path(GET path PARENT_PATH parent)
    file(MAKE_DIRECTORY ${root}/${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/quarvel/${path} ${root}/${path} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
