# SPDX-License-Identifier: MIT
# Idlescope.exe's Windows resources (app/Idlescope.rc.in): the icon
# (data/icons/idlescope.ico), the version information and the application
# manifest (app/Idlescope.manifest.in), all from the project's one version.
# Windows wants four numbers where CMake's version may have two or three: the
# missing ones are 0.
enable_language(RC)

set(idlescope_version_parts)
foreach(part MAJOR MINOR PATCH TWEAK)
  if(PROJECT_VERSION_${part} STREQUAL "")
    list(APPEND idlescope_version_parts 0)
  else()
    list(APPEND idlescope_version_parts ${PROJECT_VERSION_${part}})
  endif()
endforeach()
# The four numbers, for the version test too.
set(IDLESCOPE_VERSION_PARTS ${idlescope_version_parts})
list(JOIN idlescope_version_parts "," IDLESCOPE_VERSION_COMMAS)
list(JOIN idlescope_version_parts "." IDLESCOPE_VERSION_DOTS)

set(IDLESCOPE_ICON ${PROJECT_SOURCE_DIR}/data/icons/idlescope.ico)
set(IDLESCOPE_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/Idlescope.manifest)
configure_file(${PROJECT_SOURCE_DIR}/app/Idlescope.manifest.in ${IDLESCOPE_MANIFEST} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/app/Idlescope.rc.in ${CMAKE_CURRENT_BINARY_DIR}/Idlescope.rc @ONLY)

target_sources(Idlescope PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/Idlescope.rc)
# windres reports no dependencies: a changed icon or manifest must still
# rebuild the resources.
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/Idlescope.rc PROPERTIES
  OBJECT_DEPENDS "${IDLESCOPE_ICON};${IDLESCOPE_MANIFEST}")
