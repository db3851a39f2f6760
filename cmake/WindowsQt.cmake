# Qt for the Windows build of the window. Cross-building, it is the static Qt
# that scripts/windows-qt.sh builds and caches outside the checkout: the
# script names its folder, so a configure finds a finished cache by itself
# (a Qt given through CMAKE_PREFIX_PATH or Qt6_DIR is searched first).
if(CMAKE_CROSSCOMPILING)
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/windows-qt.sh --path
                  OUTPUT_VARIABLE ORTEN_WINDOWS_QT OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE rc)
  if(rc EQUAL 0 AND EXISTS "${ORTEN_WINDOWS_QT}/.complete")
    list(APPEND CMAKE_PREFIX_PATH "${ORTEN_WINDOWS_QT}")
  endif()
  # moc, rcc and uic run on the build machine: the system's Qt of the same version.
  set(QT_HOST_PATH /usr CACHE PATH "Qt for the build machine (its moc, rcc, uic)")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH
      "CMake packages of the build machine's Qt")
  find_package(Qt6 6.4 QUIET COMPONENTS Widgets Test)
  if(NOT Qt6_FOUND)
    message(FATAL_ERROR "No Qt for Windows: scripts/windows-qt.sh builds it (about 35 minutes "
                        "on two cores, once; `make windows` runs it), or give one with "
                        "CMAKE_PREFIX_PATH.")
  endif()
endif()

# A static Qt links only the windows platform into a program; the offscreen
# one, which the tests (and anyone without a desktop) ask for through
# QT_QPA_PLATFORM=offscreen, has to be imported.
function(orten_import_offscreen_platform target)
  get_target_property(type Qt6::Core TYPE)
  if(type STREQUAL "STATIC_LIBRARY")
    qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
  endif()
endfunction()
