# SPDX-License-Identifier: MIT
# The Debian package, built by CPack from the install rules (VanteloInstall.cmake): scripts/package.
#
# Runtime dependencies come from the program's shared libraries (dpkg-shlibdeps, from dpkg-dev) plus the
# CJK font, without which the window's Chinese captions would show as empty boxes.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vantelo")
set(CPACK_PACKAGE_VENDOR "The Vantelo developers")
set(CPACK_PACKAGE_CONTACT "The Vantelo developers <developers@vantelo.org>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)

set(VANTELO_DEBIAN_REVISION 1)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VANTELO_DEBIAN_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The first line is the synopsis, the rest the extended description; CPack indents the extended lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "limit-up and limit-down prices of a share
Vantelo is a small desktop calculator for share prices on a market whose
daily price limit is ten per cent either way. Type a base price, usually the
previous close, and its window at once shows the limit-up and limit-down
prices and the price at every whole per cent in between, each rounded to two
decimal places. A target price shows its change from the base price in per
cent.")

# Debian keeps a changelog of the package itself next to the copyright file. It belongs to the package,
# not to every install, so it is added to CPack's staging tree after the install rules have run.
set(_changelog ${PROJECT_BINARY_DIR}/install-data/changelog.Debian)
file(WRITE ${_changelog} "vantelo (${PROJECT_VERSION}-${VANTELO_DEBIAN_REVISION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}.

 -- ${CPACK_PACKAGE_CONTACT}  Fri, 11 Dec 2026 12:00:00 +0000
")
vantelo_gzip(${_changelog} ${_changelog}.gz)
set(VANTELO_PACKAGE_CHANGELOG ${_changelog}.gz)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VanteloPackageStaging.cmake.in
  ${PROJECT_BINARY_DIR}/VanteloPackageStaging.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_BINARY_DIR}/VanteloPackageStaging.cmake)

include(CPack)
