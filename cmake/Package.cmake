# The Debian package (scripts/package.sh): one package, the program and Ostrelle for other programs.

# The package needs only what is installed, not the tests and benchmarks: package_contents builds
# it, and installing no longer builds everything first.
get_property(installable GLOBAL PROPERTY QUAVREL_INSTALLABLE_TARGETS)
add_custom_target(package_contents)
add_dependencies(package_contents ${installable})
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quavrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Quavrel developers <quavrel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio CD ripper to Ogg Vorbis, MP3 and WAV, with CDDB lookup")
set(CPACK_PACKAGE_DESCRIPTION "Quavrel rips the tracks of an audio CD with jitter correction to Ogg Vorbis, MP3 or WAV
files, named from the artist, album and track titles it can fetch from a CDDB server. Its window is
in French. The package also holds Ostrelle, its library of CD-ROM drives, tables of contents, CDDB
disc IDs and the CDDB protocol, with its header, pkg-config file and CMake package.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_STRIP_FILES ON)
# The libraries' own dependencies come from dpkg-shlibdeps; Qt's plugins and catalogues are
# loaded at run time, so nothing would name them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ppp")
include(CPack)
