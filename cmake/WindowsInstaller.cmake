# The Windows installer, Idlescope-<version>-setup.exe, made by NSIS's
# makensis (Debian package nsis; NSIS on Windows) from installer/Idlescope.nsi
# with the project's one version: cmake --build <dir> --target installer
# (part of the default build when makensis is found). It installs the one
# file Idlescope.exe, so it needs the program linked with a static Qt.
find_program(IDLESCOPE_MAKENSIS makensis)
get_target_property(qt_core_type Qt6::Core TYPE)
if(NOT IDLESCOPE_MAKENSIS)
  message(STATUS "makensis not found: no installer")
  return()
elseif(NOT qt_core_type STREQUAL "STATIC_LIBRARY")
  message(STATUS "Qt is not static: no installer (Idlescope.exe needs Qt's DLLs beside it)")
  return()
endif()

# makensis takes its options with "/" on Windows and with "-" elsewhere.
if(CMAKE_HOST_WIN32)
  set(nsis_option /)
else()
  set(nsis_option -)
endif()

set(IDLESCOPE_INSTALLER ${CMAKE_BINARY_DIR}/Idlescope-${PROJECT_VERSION}-setup.exe)
add_custom_command(OUTPUT ${IDLESCOPE_INSTALLER}
  COMMAND ${IDLESCOPE_MAKENSIS} ${nsis_option}V2 ${nsis_option}DVERSION=${PROJECT_VERSION}
          ${nsis_option}DPROGRAM=$<TARGET_FILE:Idlescope> ${nsis_option}DOUTFILE=${IDLESCOPE_INSTALLER}
          ${CMAKE_SOURCE_DIR}/installer/Idlescope.nsi
  DEPENDS Idlescope ${CMAKE_SOURCE_DIR}/installer/Idlescope.nsi
  COMMENT "Making the installer Idlescope-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${IDLESCOPE_INSTALLER})
