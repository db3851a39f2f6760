# What makes ortenctl.exe and ortenconf.exe proper Windows programs: a
# manifest (UTF-8 as their ANSI code page, so narrow argv and file names keep
# every character), the icon and a version resource, stripped in release
# builds. The window is a GUI-subsystem program, so no console opens beside
# it, and carries Qt's Russian texts inside, as nothing installs them on
# Windows.
set(ORTEN_WINDOWS_GEN ${CMAKE_BINARY_DIR}/windows)

function(orten_windows_resources target description)
  set(ORTEN_RC_NAME ${target})
  set(ORTEN_RC_DESCRIPTION "${description}")
  set(ORTEN_RC_VERSION4 "${PROJECT_VERSION}.0")
  string(REPLACE "." "," ORTEN_RC_VERSION_COMMAS "${ORTEN_RC_VERSION4}")
  set(ORTEN_RC_MANIFEST ${ORTEN_WINDOWS_GEN}/${target}.manifest)
  set(ORTEN_RC_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/ortenconf.ico)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest.in
                 ${ORTEN_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in
                 ${ORTEN_WINDOWS_GEN}/${target}.rc @ONLY)
  # windres reports no dependencies: the files the script pulls in are named here.
  set_source_files_properties(${ORTEN_WINDOWS_GEN}/${target}.rc PROPERTIES
                              OBJECT_DEPENDS "${ORTEN_RC_MANIFEST};${ORTEN_RC_ICON}")
  target_sources(${target} PRIVATE ${ORTEN_WINDOWS_GEN}/${target}.rc)
  target_link_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
endfunction()

orten_windows_resources(ortenctl "ortenctl: настройка РПУ Ортен-ДЕЗ из командной строки")

if(TARGET ortenconf)
  orten_windows_resources(ortenconf "Программа настройки РПУ Ортен-ДЕЗ")
  set_target_properties(ortenconf PROPERTIES WIN32_EXECUTABLE ON)
  orten_import_offscreen_platform(ortenconf)

  # Qt's Russian texts (the build machine's copy of the same Qt version),
  # inside the library every window program links, tests included.
  find_file(ORTEN_QTBASE_RU qtbase_ru.qm PATHS /usr/share/qt6/translations
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(ORTEN_QTBASE_RU)
    get_filename_component(translations ${ORTEN_QTBASE_RU} DIRECTORY)
    qt_add_resources(orten_window orten_qt_translations PREFIX /translations BASE ${translations}
                     FILES ${ORTEN_QTBASE_RU})
  elseif(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "qtbase_ru.qm not found: install qt6-translations-l10n "
                        "(scripts/install-deps.sh), or the window's Qt dialogs are English")
  else()
    message(WARNING "qtbase_ru.qm is not built in: ship Qt's translations beside ortenconf.exe")
  endif()
endif()
