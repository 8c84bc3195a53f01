# A Debian package of the installed files: cmake --build <dir> --target package, or
# scripts/package.sh for a clean release build. Included last from the top CMakeLists.txt.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamanote)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The Debian revision: 2.0-1 is the first package of upstream 2.0.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "The タマノート developers")
set(CPACK_PACKAGE_CONTACT "${TAMANOTE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diary of pachinko hall visits")
set(CPACK_PACKAGE_DESCRIPTION
    "タマノート (Tamanote) is a desktop diary for pachinko players. Each visit to a
hall is one card: date, start and end time, hall, model and category, kind of
business day, money put in and taken out, profit and an impression. Several
people can share one installation; each keeps one diary file per year.

Its data files are byte-compatible with the older program it replaces. The
package holds the Qt program tamanote and the command-line tool tamanote-cli,
which exports the diaries as CSV or JSON and checks the data files.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tamanote_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAMANOTE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/tamanote/tamanote)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from dpkg-shlibdeps (dpkg-dev). What it cannot see: Qt loads its
# platform plugins at run time (on Debian 12 xcb and offscreen are in libqt6gui6, which
# the libraries bring, and qt6-qpa-plugins has the others), and the windows and the
# pictures of --png need a Japanese font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic | fonts-japanese-gothic")
# Qt's own Japanese texts for the standard buttons (キャンセル, はい, いいえ).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

# The package target makes what scripts/package.sh makes, or refuses and says why: a
# package without the icons, manual pages or Debian's hardening would pass for the real one.
set(TAMA_PACKAGE_PROBLEMS)
if(NOT RSVG_CONVERT)
  list(APPEND TAMA_PACKAGE_PROBLEMS "rsvg-convert (librsvg2-bin) was not found when this folder was configured, so the PNG icons are missing")
endif()
if(NOT SCDOC)
  list(APPEND TAMA_PACKAGE_PROBLEMS "scdoc was not found when this folder was configured, so the manual pages are missing")
endif()
if(NOT CMAKE_BUILD_TYPE STREQUAL "Release")
  list(APPEND TAMA_PACKAGE_PROBLEMS "the build type is '${CMAKE_BUILD_TYPE}', not Release")
endif()
if(TAMANOTE_SANITIZE OR TAMANOTE_FUZZ)
  list(APPEND TAMA_PACKAGE_PROBLEMS "this is a sanitizer or fuzzing build")
endif()
if(CMAKE_BUILD_TYPE STREQUAL "Release" AND CMAKE_CXX_FLAGS_RELEASE MATCHES "-O")
  list(APPEND TAMA_PACKAGE_PROBLEMS "CMAKE_CXX_FLAGS_RELEASE ('${CMAKE_CXX_FLAGS_RELEASE}') overrides the -O2 of Debian's flags")
endif()
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  list(APPEND TAMA_PACKAGE_PROBLEMS "dpkg-buildflags (dpkg-dev) is missing, so Debian's hardening flags are unknown")
else()
  # As scripts/package.sh asks for them, from the top folder (the flags name it).
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    if(kind STREQUAL "LDFLAGS")
      set(have " ${CMAKE_EXE_LINKER_FLAGS} ")
      set(where CMAKE_EXE_LINKER_FLAGS)
    else()
      set(have " ${CMAKE_CXX_FLAGS} ")
      set(where CMAKE_CXX_FLAGS)
    endif()
    set(missing)
    foreach(flag ${flags})
      string(FIND "${have}" " ${flag} " at)
      if(at EQUAL -1)
        string(APPEND missing " ${flag}")
      endif()
    endforeach()
    if(missing)
      list(APPEND TAMA_PACKAGE_PROBLEMS "${where} lacks Debian's ${kind} (hardening):${missing}")
    endif()
  endforeach()
endif()
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackRefusal.cmake)
if(TAMA_PACKAGE_PROBLEMS)
  list(JOIN TAMA_PACKAGE_PROBLEMS ";\n  " reasons)
  file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
       "message(FATAL_ERROR \"This folder does not make the package scripts/package.sh makes:\\n  ${reasons}.\\nRun scripts/package.sh, which configures build-package/ for it.\")\n")
else()
  file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "# Configured as scripts/package.sh configures: nothing to refuse.\n")
endif()

include(CPack)
