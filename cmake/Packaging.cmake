# The user guide next to the window program, install rules and the Debian
# package (`make package`: cpack with the "package" preset).

# --- user guide: copied beside the executable so Help finds it in the build tree
file(GLOB_RECURSE ORTEN_GUIDE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide/*)
set(guide_stamp ${CMAKE_CURRENT_BINARY_DIR}/user-guide.stamp)
add_custom_command(OUTPUT ${guide_stamp}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/guide
          $<TARGET_FILE_DIR:ortenconf>/guide
  COMMAND ${CMAKE_COMMAND} -E touch ${guide_stamp}
  DEPENDS ${ORTEN_GUIDE_FILES}
  COMMENT "Copying the user guide beside ortenconf"
  VERBATIM)
add_custom_target(orten_user_guide ALL DEPENDS ${guide_stamp})

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsDist.cmake)  # the installer and the zip
  return()
endif()
if(CMAKE_CROSSCOMPILING)
  return()  # the rest is the Linux install and its package
endif()

include(GNUInstallDirs)
set(ORTEN_USB_IDS "" CACHE STRING
    "USB IDs the packaged udev rule opens to the user at the seat: vvvv:pppp,...")
set(gen ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${gen})

# The udev rule comes from the same function as `ortenctl usb --udev-rule`.
# Its name is not that of the machine's own rule file in /etc, to which
# `ortenctl usb --install-rule` adds lines: a file of the same name there
# would hide this one, and with it the devices the package was built for.
set(ORTEN_PACKAGE_RULE 70-ortenconf-package.rules)
add_executable(make_udev_rule packaging/make_udev_rule.cpp)
target_link_libraries(make_udev_rule PRIVATE orten_core orten_warnings)
add_custom_command(OUTPUT ${gen}/${ORTEN_PACKAGE_RULE}
  COMMAND make_udev_rule "${ORTEN_USB_IDS}" ${gen}/${ORTEN_PACKAGE_RULE}
  DEPENDS make_udev_rule
  COMMENT "udev rule for USB IDs '${ORTEN_USB_IDS}'"
  VERBATIM)

# Manual pages and the bash completion from ortenctl's command table, so
# they never drift from its help.
add_executable(make_package_files packaging/make_package_files.cpp)
target_link_libraries(make_package_files PRIVATE orten_cli orten_warnings)
string(TIMESTAMP ORTEN_MAN_DATE "%Y-%m-%d" UTC)
set(man_pages ${gen}/ortenctl.1.gz ${gen}/ortenconf.1.gz)
add_custom_command(OUTPUT ${man_pages} ${gen}/ortenctl
  COMMAND make_package_files ${gen} ${PROJECT_VERSION} ${ORTEN_MAN_DATE}
  COMMAND gzip -9nf ${gen}/ortenctl.1 ${gen}/ortenconf.1
  DEPENDS make_package_files
  COMMENT "Manual pages and bash completion"
  VERBATIM)

# What software centres show; the release date is the build's (SOURCE_DATE_EPOCH when set).
string(TIMESTAMP ORTEN_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(packaging/org.ortenconf.ortenconf.metainfo.xml ${gen}/org.ortenconf.ortenconf.metainfo.xml
               @ONLY)

# Debian wants a compressed changelog without a time stamp in its header.
configure_file(packaging/changelog.in ${gen}/changelog @ONLY)
add_custom_command(OUTPUT ${gen}/changelog.gz
  COMMAND gzip -9nkf ${gen}/changelog
  DEPENDS ${gen}/changelog
  VERBATIM)

add_custom_target(orten_package_files ALL
  DEPENDS ${gen}/${ORTEN_PACKAGE_RULE} ${man_pages} ${gen}/ortenctl ${gen}/changelog.gz)

# --- install: PREFIX/share/ortenconf also tells the programs they are
# installed (common/DataFolders), so their data goes to the user's folder.
install(TARGETS ortenconf ortenctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY docs/guide/ DESTINATION ${CMAKE_INSTALL_DATADIR}/ortenconf/guide)
# A simulated line and firmware for the simulated device, to rehearse with.
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/ortenconf/examples)
install(FILES packaging/ortenconf.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${gen}/org.ortenconf.ortenconf.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/ortenconf-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ortenconf.xml)
install(FILES packaging/ortenconf.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${gen}/ortenctl DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES packaging/copyright ${gen}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ortenconf)
install(FILES ${gen}/${ORTEN_PACKAGE_RULE} DESTINATION lib/udev/rules.d)

# --- the Debian package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ortenconf)
set(CPACK_PACKAGE_VENDOR "ortenconf developers")
set(CPACK_PACKAGE_CONTACT "ortenconf project <maintainers@ortenconf.org>" CACHE STRING
    "The package's maintainer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the Orten-DEZ USB receiver")
# Lines of the long description stay under 80 columns. What the udev rule
# does depends on whether the device's IDs were known when the package was built.
if(ORTEN_USB_IDS)
  set(ORTEN_RULE_TEXT
    "Its udev rule gives the user at the seat access to the devices"
    "${ORTEN_USB_IDS}. For another device the window's chooser installs"
    "the rule (through pkexec), as does ortenctl usb --install-rule.")
else()
  set(ORTEN_RULE_TEXT
    "Its udev rule is only a template: the window offers the devices plugged in"
    "and installs the rule for the one chosen (through pkexec), as does"
    "ortenctl usb --install-rule.")
endif()
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "ortenconf identifies the USB receiver of the Orten-DEZ wireless alarm system,"
  "updates its firmware, backs up and restores its registration memory and"
  "edits the settings of its relay outputs, in a Russian-language window."
  "ortenctl does the same from the command line, for scripts and batch work."
  ${ORTEN_RULE_TEXT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies come from the binaries (dpkg-shlibdeps), never from a hand list.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs speak Russian only with its translations, which no library links.
# pkexec installs the device's udev rule from the window; without it the
# window shows the commands instead.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, pkexec")
include(CPack)
