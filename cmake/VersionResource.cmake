# The version resource (VERSIONINFO) of the Windows programs, which
# Explorer's Properties and version tools show: the project's version as the
# file and product version, what the program is, and its file name.

set(QUARVEL_VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

# Gives the Windows program `target` a version resource that describes it
# as `description`.
function(quarvel_add_version_resource target description)
  # The numeric version has four parts; those the project version leaves out
  # are 0.
  set(numbers)
  foreach(part MAJOR MINOR PATCH TWEAK)
    if(PROJECT_VERSION_${part} STREQUAL "")
      list(APPEND numbers 0)
    else()
      list(APPEND numbers ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN numbers "," VERSION_NUMBERS)
  set(VERSION_DESCRIPTION "${description}")
  set(VERSION_INTERNAL_NAME ${target})
  set(VERSION_FILE_NAME ${target}${CMAKE_EXECUTABLE_SUFFIX})
  configure_file(${QUARVEL_VERSION_RC_TEMPLATE} ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc
                 @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
