# libxlsxwriter for the Windows build of ortenctl (journal --excel): the
# static one scripts/windows-xlsxwriter.sh builds from Debian's source and
# caches beside the static Qt. It takes about a minute, so configuring
# builds it when the cache lacks it; zlib is Debian's libz-mingw-w64-dev.
# Static throughout: ortenctl.exe stays one file.
execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/windows-xlsxwriter.sh
                OUTPUT_VARIABLE ORTEN_WINDOWS_XLSXWRITER OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS "${ORTEN_WINDOWS_XLSXWRITER}/.complete")
  message(FATAL_ERROR "No libxlsxwriter for Windows: scripts/windows-xlsxwriter.sh failed "
                      "(scripts/install-deps.sh installs what it needs).")
endif()
find_file(ORTEN_MINGW_ZLIB libz.a PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT ORTEN_MINGW_ZLIB)
  message(FATAL_ERROR "No static zlib for MinGW (Debian: libz-mingw-w64-dev).")
endif()
add_library(orten_xlsxwriter STATIC IMPORTED)
set_target_properties(orten_xlsxwriter PROPERTIES
  IMPORTED_LOCATION ${ORTEN_WINDOWS_XLSXWRITER}/lib/libxlsxwriter.a
  INTERFACE_INCLUDE_DIRECTORIES ${ORTEN_WINDOWS_XLSXWRITER}/include
  INTERFACE_LINK_LIBRARIES ${ORTEN_MINGW_ZLIB})
