# CPack: Debian packages, one per component group. Debian's own tools fill
# in the dependencies on shared libraries (dpkg-shlibdeps); the rest are
# named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavsecurityui)
set(CPACK_PACKAGE_VENDOR "TAVSecurityUI")
set(CPACK_PACKAGE_CONTACT "${TAV_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_COMPONENTS_ALL TAVSecurityUI System Development tavsec host)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's own shlibs file (and ldconfig trigger); tav-host's link to
# it is found in the build tree.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src/interface)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavsecurity.example/")
set(TAV_EXACT "(= ${PROJECT_VERSION}-1)")

set(CPACK_COMPONENT_TAVSECURITYUI_GROUP lib)
set(CPACK_COMPONENT_SYSTEM_GROUP lib)
set(CPACK_COMPONENT_DEVELOPMENT_GROUP dev)
set(CPACK_COMPONENT_TAVSEC_GROUP tavsec)
set(CPACK_COMPONENT_HOST_GROUP host)

set(CPACK_DEBIAN_LIB_PACKAGE_NAME libtavsecurityui0)
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIB_PACKAGE_DEPENDS "libpam-runtime, passwd, cracklib-runtime")
# Qt's own catalogues translate the standard buttons of the dialogs.
set(CPACK_DEBIAN_LIB_PACKAGE_RECOMMENDS "tavsec, qt6-translations-l10n")
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA "${TAV_PACKAGING_DIR}/debian/lib/postinst"
  "${TAV_PACKAGING_DIR}/debian/lib/conffiles" "${TAV_PACKAGING_DIR}/debian/lib/triggers")
set(CPACK_DEBIAN_LIB_DESCRIPTION
  "user security and 21 CFR Part 11 compliance for instrument programs
The security library of a laboratory-instrument suite's desktop programs:
logon with real accounts, permission checks, electronic signatures, a
tamper-evident system event log and configuration audit trail, and a
run-file manager. Installs the system group tavsecurity, the store folder
/var/lib/tavsecurity and the PAM service tavsecurity.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libtavsecurityui-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libtavsecurityui0 ${TAV_EXACT}")
set(CPACK_DEBIAN_DEV_DESCRIPTION
  "development files of the TAV security library
The header, the CMake package (find_package(TAVSecurityUI)) and the
pkg-config file (TAVSecurityUI) for building programs against
libtavsecurityui0.")

set(CPACK_DEBIAN_TAVSEC_PACKAGE_NAME tavsec)
set(CPACK_DEBIAN_TAVSEC_PACKAGE_SECTION admin)
# qt6-qpa-plugins: the offscreen platform on which tavsec lays out PDF
# reports without a display.
set(CPACK_DEBIAN_TAVSEC_PACKAGE_DEPENDS "libtavsecurityui0 ${TAV_EXACT}, qt6-qpa-plugins")
set(CPACK_DEBIAN_TAVSEC_PACKAGE_CONTROL_EXTRA "${TAV_PACKAGING_DIR}/debian/tavsec/postinst")
set(CPACK_DEBIAN_TAVSEC_DESCRIPTION
  "administer the TAV security store, settings and event log
tavsec sets up the machine-wide security store, manages local accounts,
shows and changes the compliance settings, lists and verifies the system
event log and the run list, and reads record files. Its listings print
text or JSON; the audit trails are also written as PDF reports. Installing it sets up the store (tavsec setup).")

set(CPACK_DEBIAN_HOST_PACKAGE_NAME tav-host)
set(CPACK_DEBIAN_HOST_PACKAGE_SECTION science)
set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS "libtavsecurityui0 ${TAV_EXACT}, qt6-qpa-plugins")
set(CPACK_DEBIAN_HOST_DESCRIPTION
  "sample host program of the TAV suite
tav-host logs the user on through the TAV security library, asks for the
password again after the idle timeout and offers the library's dialogs:
compliance configuration, electronic signatures, the system audit viewer
and the run list manager.")

include(CPack)
