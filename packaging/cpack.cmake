# A Debian package of the installed files: cmake --build <dir> --target package, or
# scripts/package.sh for a clean release build. Included last from the top CMakeLists.txt.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamanote)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
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
include(CPack)
