# Tests of the Windows cross build: GoogleTest built from Debian's sources
# with the same cross compiler, and the test programs run under wine.
set(ORTEN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${ORTEN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# A private wine prefix in the build tree: runs never touch the user's
# ~/.wine, and the prefix is made once (scripts/test-all.sh does it before
# the tests, as creating it takes a while).
find_program(ORTEN_WINE wine)
if(ORTEN_WINE)
  set(ORTEN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(ORTEN_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh CACHE INTERNAL "wine with the build's prefix")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${ORTEN_WINE_RUN} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  # Test programs created after this run through wine, test discovery included;
  # the two programs, made before, are told so.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORTEN_WINE_RUN})
  foreach(program ortenctl ortenconf)
    if(TARGET ${program})
      set_target_properties(${program} PROPERTIES CROSSCOMPILING_EMULATOR ${ORTEN_WINE_RUN})
    endif()
  endforeach()
else()
  message(STATUS "wine not found: the Windows tests build but cannot run here")
endif()

# Boost's header-only parts the tests use (the reference CRC) come from the
# build machine: the cross root has none. Only boost/ is exposed, not the
# rest of the host's headers.
if(EXISTS /usr/include/boost/crc.hpp)
  set(ORTEN_HOST_BOOST ${CMAKE_BINARY_DIR}/host-boost)
  file(MAKE_DIRECTORY ${ORTEN_HOST_BOOST})
  file(CREATE_LINK /usr/include/boost ${ORTEN_HOST_BOOST}/boost SYMBOLIC)
endif()
