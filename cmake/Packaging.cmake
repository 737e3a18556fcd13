# SPDX-License-Identifier: MIT
# Installs Idlescope as a Linux desktop program and describes its Debian
# package: the program as bin/idlescope, its desktop entry, icons, AppStream
# metainfo, manual page and Debian documents, and CPack's DEB generator.
# `cmake --install` and `cpack -G DEB` both use these rules.

include(GNUInstallDirs)

set(IDLESCOPE_RELEASE_DATE "2026-12-08")
set(IDLESCOPE_MAINTAINER "Idlescope maintainers <maintainers@users.noreply.c-seed-2f06d796.example>")
# The AppStream id names the desktop entry and the metainfo file. It is the
# project's web address reversed: change the two together.
set(IDLESCOPE_APP_ID "example.idlescope.Idlescope")
set(IDLESCOPE_HOMEPAGE "https://idlescope.example" CACHE STRING
    "The project's web address, shown by software centres")
set(IDLESCOPE_SCREENSHOT_URL "${IDLESCOPE_HOMEPAGE}/docs/monitor.png" CACHE STRING
    "Where software centres fetch docs/monitor.png from (https)")

set(idlescope_data ${PROJECT_SOURCE_DIR}/data)
set(idlescope_generated ${PROJECT_BINARY_DIR}/data)

# Linux programs are named in lower case; the build tree keeps the target's
# own name, which scripts/run starts. The installed copy is renamed, in the
# install manifest too.
# Qt's project set-up gives installed programs a run path beside them
# ($ORIGIN/../lib), for Qt libraries shipped with the program; this one uses
# the system's, so it gets none, as Debian's policy asks.
set_property(TARGET Idlescope PROPERTY INSTALL_RPATH "")
install(TARGETS Idlescope RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(CODE "
  set(bin \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(RENAME \"\$ENV{DESTDIR}\${bin}/$<TARGET_FILE_NAME:Idlescope>\" \"\$ENV{DESTDIR}\${bin}/idlescope\")
  list(TRANSFORM CMAKE_INSTALL_MANIFEST_FILES REPLACE \"^\${bin}/$<TARGET_FILE_NAME:Idlescope>\$\" \"\${bin}/idlescope\")")

install(FILES ${idlescope_data}/idlescope.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${IDLESCOPE_APP_ID}.desktop)
install(DIRECTORY ${idlescope_data}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${idlescope_data}/icons/idlescope.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

configure_file(${idlescope_data}/idlescope.metainfo.xml.in ${idlescope_generated}/${IDLESCOPE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${idlescope_generated}/${IDLESCOPE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the manual page and the changelog compressed, without a time
# stamp in the gzip header so that a rebuild gives the same bytes.
execute_process(COMMAND date -u -R -d "${IDLESCOPE_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE IDLESCOPE_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${idlescope_data}/idlescope.1.in ${idlescope_generated}/idlescope.1 @ONLY)
configure_file(${idlescope_data}/changelog.in ${idlescope_generated}/changelog @ONLY)
foreach(document idlescope.1 changelog)
  add_custom_command(OUTPUT ${idlescope_generated}/${document}.gz
                     COMMAND gzip -9 -n -c ${document} > ${document}.gz
                     DEPENDS ${idlescope_generated}/${document}
                     WORKING_DIRECTORY ${idlescope_generated} VERBATIM)
endforeach()
add_custom_target(idlescope_documents ALL DEPENDS ${idlescope_generated}/idlescope.1.gz ${idlescope_generated}/changelog.gz)
install(FILES ${idlescope_generated}/idlescope.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${idlescope_generated}/changelog.gz ${idlescope_data}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/idlescope)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME idlescope)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watch how busy one physical disk is")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${IDLESCOPE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${IDLESCOPE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's texts are Chinese: without a CJK font they show as boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-wqy-microhei)
# The long description: one string, its lines no longer than 80 characters.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Idlescope watches how busy one physical disk is. Once a second it measures"
  "the disk's idle time over 100 ms and draws it on a scrolling heart-monitor"
  "graph, a red line on a green grid. Beside the graph it shows the current"
  "idle percentage, the average of the latest ten samples and how many samples"
  "fell into each of eleven idle bands."
  "."
  "The window's texts are in Simplified Chinese. On Linux the figures come from"
  "the kernel's block device statistics (/proc/diskstats). The program takes no"
  "command line, writes no files and keeps no settings.")
include(CPack)
