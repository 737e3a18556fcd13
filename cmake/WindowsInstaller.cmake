# SPDX-License-Identifier: MIT
# The Windows release files, both holding Idlescope.exe, its licence and the
# third-party notices (installer/notices/), with Windows line ends:
#  - the installer Idlescope-<version>-setup.exe, made by NSIS's makensis
#    (Debian package nsis; NSIS on Windows) from installer/Idlescope.nsi;
#  - the portable archive Idlescope-<version>-win64.zip, for users without
#    administrator rights: one folder to unpack anywhere.
# cmake --build <dir> --target installer (or portable-zip); both are part of
# the default build. They need the program linked with a static Qt, as one
# file.
get_target_property(qt_core_type Qt6::Core TYPE)
if(NOT qt_core_type STREQUAL "STATIC_LIBRARY")
  message(STATUS "Qt is not static: no installer or portable archive (Idlescope.exe needs Qt's DLLs beside it)")
  return()
endif()

# Every library that Qt's configure bundled into the static Qt must have its
# notice: Qt installs a CMake package Qt6Bundled<name> for each.
set(IDLESCOPE_NOTICES_SOURCE ${PROJECT_SOURCE_DIR}/installer/notices/THIRD-PARTY-NOTICES.txt)
file(READ ${IDLESCOPE_NOTICES_SOURCE} notices_text)
cmake_path(GET Qt6_DIR PARENT_PATH qt_packages)
file(GLOB bundled_packages LIST_DIRECTORIES true RELATIVE ${qt_packages} ${qt_packages}/Qt6Bundled*)
foreach(package IN LISTS bundled_packages)
  string(REGEX REPLACE "^Qt6Bundled" "" library "${package}")
  if(NOT notices_text MATCHES "\\(Qt6Bundled${library}\\)")
    message(FATAL_ERROR "Qt bundles ${library} (${qt_packages}/${package}), which "
                        "installer/notices/THIRD-PARTY-NOTICES.txt does not name: add its notice")
  endif()
endforeach()

# The notices give Qt's configure line, which a user needs to build a changed
# Qt to link against: it must be the one scripts/qt-mingw builds with.
file(READ ${PROJECT_SOURCE_DIR}/scripts/qt-mingw qt_script)
string(REGEX MATCH "configure_options=\\(([^)]*)\\)" _ "${qt_script}")
string(REGEX REPLACE "#[^\n]*" "" built_options "${CMAKE_MATCH_1}")
string(REGEX MATCH "configure -prefix <Qt folder> \\\\(.*)\n *-- -G Ninja" _ "${notices_text}")
string(REPLACE "\\" "" noticed_options "${CMAKE_MATCH_1}")
separate_arguments(built_options UNIX_COMMAND "${built_options}")
separate_arguments(noticed_options UNIX_COMMAND "${noticed_options}")
if(NOT built_options OR NOT built_options STREQUAL noticed_options)
  message(FATAL_ERROR "The configure line in installer/notices/THIRD-PARTY-NOTICES.txt differs "
                      "from scripts/qt-mingw's configure_options: make them the same")
endif()

# The texts with CR LF line ends, as Notepad and NSIS's licence page want
# them; the licence page shows Idlescope's licence, then the notices.
# Rewritten only when changed, so a new configure run makes no new installer.
set(notices ${CMAKE_BINARY_DIR}/notices)
function(idlescope_write_text name text)
  file(WRITE ${notices}/${name}.new "${text}")
  file(COPY_FILE ${notices}/${name}.new ${notices}/${name} ONLY_IF_DIFFERENT)
  file(REMOVE ${notices}/${name}.new)
endfunction()
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence_text)
foreach(document licence notices)
  string(REPLACE "\n" "\r\n" ${document}_text "${${document}_text}")
endforeach()
idlescope_write_text(LICENSE.txt "${licence_text}")
idlescope_write_text(THIRD-PARTY-NOTICES.txt "${notices_text}")
idlescope_write_text(licence-page.txt "${licence_text}\r\n\r\n${notices_text}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/LICENSE ${IDLESCOPE_NOTICES_SOURCE} ${PROJECT_SOURCE_DIR}/scripts/qt-mingw)

set(zip_folder Idlescope-${PROJECT_VERSION}-win64)
set(IDLESCOPE_ZIP ${CMAKE_BINARY_DIR}/${zip_folder}.zip)
add_custom_command(OUTPUT ${IDLESCOPE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf portable
  COMMAND ${CMAKE_COMMAND} -E make_directory portable/${zip_folder}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Idlescope> ${notices}/LICENSE.txt
          ${notices}/THIRD-PARTY-NOTICES.txt portable/${zip_folder}
  COMMAND ${CMAKE_COMMAND} -E chdir portable ${CMAKE_COMMAND} -E tar cf ${IDLESCOPE_ZIP} --format=zip ${zip_folder}
  DEPENDS Idlescope ${notices}/LICENSE.txt ${notices}/THIRD-PARTY-NOTICES.txt
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Making the portable archive ${zip_folder}.zip"
  VERBATIM)
add_custom_target(portable-zip ALL DEPENDS ${IDLESCOPE_ZIP})

find_program(IDLESCOPE_MAKENSIS makensis)
if(NOT IDLESCOPE_MAKENSIS)
  message(STATUS "makensis not found: no installer")
  return()
endif()

# makensis takes its options with "/" on Windows and with "-" elsewhere.
if(CMAKE_HOST_WIN32)
  set(nsis_option /)
else()
  set(nsis_option -)
endif()

set(IDLESCOPE_INSTALLER ${CMAKE_BINARY_DIR}/Idlescope-${PROJECT_VERSION}-setup.exe)
set(nsis_defines VERSION=${PROJECT_VERSION} VERSION4=${IDLESCOPE_VERSION_DOTS}
    PROGRAM=$<TARGET_FILE:Idlescope> ICON=${IDLESCOPE_ICON} LICENCE=${notices}/LICENSE.txt
    NOTICES=${notices}/THIRD-PARTY-NOTICES.txt LICENCE_PAGE=${notices}/licence-page.txt
    OUTFILE=${IDLESCOPE_INSTALLER})
list(TRANSFORM nsis_defines PREPEND ${nsis_option}D)
add_custom_command(OUTPUT ${IDLESCOPE_INSTALLER}
  COMMAND ${IDLESCOPE_MAKENSIS} ${nsis_option}V2 ${nsis_defines} ${PROJECT_SOURCE_DIR}/installer/Idlescope.nsi
  DEPENDS Idlescope ${PROJECT_SOURCE_DIR}/installer/Idlescope.nsi ${IDLESCOPE_ICON}
          ${notices}/LICENSE.txt ${notices}/THIRD-PARTY-NOTICES.txt ${notices}/licence-page.txt
  COMMENT "Making the installer Idlescope-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${IDLESCOPE_INSTALLER})
