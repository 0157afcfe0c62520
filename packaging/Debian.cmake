# The Debian packages, made by CPack from the install rules:
#
#   tessaline          libraries, command, tessaline-regsvr, the Qt library,
#                      tessastudio, desktop entry, icon, MIME type, man pages,
#                      completions (and tessaline-server when it is built)
#   libtessaline-dev   headers, pkg-config file, CMake package
#   python3-tessaline  whatever python/ installs (no package without it)
#
# scripts/package.sh configures with CMAKE_INSTALL_PREFIX=/usr and
# TESSALINE_DEB=ON, builds, and runs `cpack -G DEB`.
set(TESSALINE_MAINTAINER "The Tessaline developers <developers@tessaline.org>")

# Every package carries its copyright and changelog (Debian Policy 12.5, 12.7).
find_program(TESSALINE_GZIP gzip REQUIRED)
string(TIMESTAMP TESSALINE_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(TESSALINE_DEB_PACKAGES runtime:tessaline development:libtessaline-dev)
if(TARGET tessaline-python)
  list(APPEND TESSALINE_DEB_PACKAGES python:python3-tessaline)
endif()
foreach(entry ${TESSALINE_DEB_PACKAGES})
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 component)
  list(GET entry 1 package)
  set(TESSALINE_DEB_PACKAGE ${package})
  set(doc ${PROJECT_BINARY_DIR}/packaging/${package})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${doc}/changelog.Debian @ONLY)
  execute_process(COMMAND ${TESSALINE_GZIP} -9 -n -f ${doc}/changelog.Debian)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${doc}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# Registration on install and removal.
set(TESSALINE_DEB_LIBRARIES)
foreach(library ${TESSALINE_COMPONENT_LIBRARIES})
  list(APPEND TESSALINE_DEB_LIBRARIES ${CMAKE_INSTALL_FULL_LIBDIR}/${library})
endforeach()
list(JOIN TESSALINE_DEB_LIBRARIES " " TESSALINE_DEB_LIBRARIES)
set(TESSALINE_DEB_REGISTRY ${CMAKE_INSTALL_FULL_DATADIR}/tessaline)
foreach(script postinst prerm postrm triggers)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${script}.in ${PROJECT_BINARY_DIR}/packaging/${script} @ONLY)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaline)
set(CPACK_PACKAGE_VENDOR "The Tessaline developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TESSALINE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# Staged through DESTDIR, so that staging registers nothing (cmake/Register.cmake).
set(CPACK_SET_DESTDIR ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESSALINE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies from the libraries the files link (dpkg-shlibdeps); the
# project's own libraries are found in the build tree and belong to the
# tessaline package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME tessaline)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# "Arial" is drawn with its metric-compatible Liberation face; the desktop
# platform plugin of Qt comes with qt6-qpa-plugins.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "qt6-qpa-plugins, shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/packaging/postinst ${PROJECT_BINARY_DIR}/packaging/prerm
    ${PROJECT_BINARY_DIR}/packaging/postrm ${PROJECT_BINARY_DIR}/packaging/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "linear and postal barcodes: library, command and editor\n\
Tessaline validates, encodes and draws 33 linear and postal symbologies\n\
(EAN/UPC with ISBN, Code 39, Code 93, 2 of 5, Codabar, MSI, Code 128 and\n\
GS1-128, PostNet, Royal Mail) into PNG, JPEG, BMP, SVG, PDF and EPS files.\n\
This package holds the library with its barcode control, the tessaline\n\
command, tessaline-regsvr and the tessastudio desktop editor.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtessaline-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "linear and postal barcodes: development files\n\
Tessaline validates, encodes and draws 33 linear and postal symbologies.\n\
This package holds the C++ render API <tessaline/tessaline.hpp>, the C\n\
interface <tessaline/tessaline.h>, the pkg-config file and the CMake\n\
package (Tessaline::tessaline).")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tessaline)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= 3.11), python3 (<< 3.12)")
set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
    "linear and postal barcodes: Python 3 module\n\
Tessaline validates, encodes and draws 33 linear and postal symbologies.\n\
This package holds the Python 3 module tessaline: the render API for\n\
Python programs.")

include(CPack)
