# `make package`: a Debian package of the install rules (the three programs under /usr with the
# files of packaging/), its dependencies found by dpkg-shlibdeps in the programs' libraries.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmar-toolkit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Velmar Toolkit developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELMAR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELMAR_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The first line is the synopsis, the rest the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "databases of chart plotters: convert, merge, read and write
Velmar Toolkit moves the user databases of marine chart plotters and GPS
receivers (waypoints, marks, routes, tracks, lines and zones) between devices
and chart software without losing a point.
.
It converts database files between the Series 41, Series 5 and Series 6
plotter formats, the HUB and Series 77 text format, CMAP documents of chart
software and GPX, merges files, and reads or writes a connected plotter's
database over an RS-232 serial port.
.
The package holds the desktop program velmar-toolkit, the command line
velmar, and velmar-plotter-sim, a simulated plotter on a pseudo-terminal to
try the transfers without a plotter.")

include(CPack)
