# What a Windows user downloads, in build/windows/dist: the installer (NSIS,
# built here by makensis) and the portable zip. Both hold the two programs,
# the user guide and the licences: ours, and Qt's with everything else linked
# into the programs (packaging/windows/THIRD-PARTY.txt).
set(dist ${CMAKE_BINARY_DIR}/dist)
set(ORTEN_SETUP ${dist}/ortenconf-${PROJECT_VERSION}-setup.exe CACHE INTERNAL "the installer")
set(zip ${dist}/ortenconf-${PROJECT_VERSION}-windows.zip)
set(licences ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/packaging/windows/THIRD-PARTY.txt)
set(shipped ortenconf ortenctl ${ORTEN_GUIDE_FILES} ${licences})

# The portable copy is flat: without the installed layout around them the
# programs keep their data beside themselves where they may write.
set(portable ortenconf-${PROJECT_VERSION})
add_custom_command(OUTPUT ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${dist}/${portable}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${dist}/${portable}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ortenconf> $<TARGET_FILE:ortenctl>
          ${dist}/${portable}/
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/guide
          ${dist}/${portable}/guide
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${dist}/${portable}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/windows/THIRD-PARTY.txt
          ${dist}/${portable}/
  COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${portable}
  WORKING_DIRECTORY ${dist}
  DEPENDS ${shipped}
  COMMENT "Portable zip: ${zip}"
  VERBATIM)

find_program(ORTEN_MAKENSIS makensis)
if(NOT ORTEN_MAKENSIS)
  message(STATUS "makensis not found (Debian: nsis): no Windows installer")
  add_custom_target(windows_dist ALL DEPENDS ${zip})
  return()
endif()
# The installed tree, as the installer lays it out under Program Files.
set(stage ${dist}/stage)
set(nsi ${PROJECT_SOURCE_DIR}/packaging/windows/ortenconf.nsi)
add_custom_command(OUTPUT ${ORTEN_SETUP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/bin
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ortenconf> $<TARGET_FILE:ortenctl> ${stage}/bin/
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/guide
          ${stage}/share/ortenconf/guide
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${stage}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/windows/THIRD-PARTY.txt ${stage}/
  COMMAND ${ORTEN_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION} -DSTAGE=${stage}
          -DICON=${PROJECT_SOURCE_DIR}/packaging/windows/ortenconf.ico -DOUTFILE=${ORTEN_SETUP}
          ${nsi}
  DEPENDS ${shipped} ${nsi} ${PROJECT_SOURCE_DIR}/packaging/windows/ortenconf.ico
  COMMENT "Installer: ${ORTEN_SETUP}"
  VERBATIM)
add_custom_target(windows_dist ALL DEPENDS ${ORTEN_SETUP} ${zip})
