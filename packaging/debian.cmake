# The Debian package (cpack -G DEB, run by scripts/package.sh): everything
# `cmake --install` lays out under /usr, stripped, with the dependencies
# dpkg-shlibdeps finds in the programs and libraries.
set(TOLM_MAINTAINER "The Tolm developers <tolm@example.org>")

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/copyright ${generated}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tolm)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TOLM_MAINTAINER})
set(CPACK_PACKAGE_VENDOR "The Tolm developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TOLM_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The host's own shared libraries are private: dpkg-shlibdeps finds them in the
# staged package rather than in another package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "exchange-rate base data of a company")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The Tolm host keeps the exchange-rate types, the rates per type and
currency with their validity periods, their audit, rate-system import and
export and an operation log, in an SQLite file or a PostgreSQL database.

This package holds the command line (tolm), the desktop client (tolm-client)
and the exchange-rate plug-in, registered for every user.")
include(CPack)
