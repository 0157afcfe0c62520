# Install rules: the runtime (libraries, programs, man pages, completions,
# desktop entry, icon and MIME type), the development files (headers,
# pkg-config file, CMake package) and the registration of the installed
# component libraries. The Debian packages are made from these rules
# (packaging/Debian.cmake).
include(CMakePackageConfigHelpers)

option(TESSALINE_REGISTER_ON_INSTALL
       "Register the installed component libraries when installing (never when staging into DESTDIR)" ON)
option(TESSALINE_DEB "Install the files the Debian packages add (copyright, changelog)" OFF)

add_library(Tessaline::tessaline ALIAS tessaline)
# The public C++ header needs C++17 of its users.
target_compile_features(tessaline INTERFACE cxx_std_17)
set(TESSALINE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaline)

# --- libraries and programs -------------------------------------------------
set_target_properties(tessaline PROPERTIES INSTALL_RPATH "${TESSALINE_LIBRARY_RPATH}")
install(TARGETS tessaline EXPORT TessalineTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set(TESSALINE_COMPONENT_LIBRARIES libtessaline.so.0)
if(TARGET tessaline-qt)
  # Loaded by its registered path only: no development link.
  set_target_properties(tessaline-qt PROPERTIES INSTALL_RPATH "${TESSALINE_LIBRARY_RPATH}")
  install(TARGETS tessaline-qt LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_SKIP)
  list(APPEND TESSALINE_COMPONENT_LIBRARIES libtessaline-qt.so.0)
endif()
foreach(program tessaline-cli tessaline-regsvr tessastudio)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
  endif()
endforeach()
# Programs that install themselves find the libraries the same way.
if(TARGET tessaline-server)
  set_target_properties(tessaline-server PROPERTIES INSTALL_RPATH "${CMAKE_INSTALL_RPATH}")
endif()

# --- development files ------------------------------------------------------
# <tessaline/tessaline.hpp> (C++) and <tessaline/tessaline.h> (C).
install(DIRECTORY include/tessaline/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tessaline COMPONENT development
        FILES_MATCHING PATTERN "*.h" PATTERN "*.hpp")
install(FILES control/interface/tessaline.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tessaline
        COMPONENT development)
install(EXPORT TessalineTargets NAMESPACE Tessaline:: DESTINATION ${TESSALINE_CMAKE_DIR} COMPONENT development)
configure_package_config_file(cmake/TessalineConfig.cmake.in ${PROJECT_BINARY_DIR}/TessalineConfig.cmake
                              INSTALL_DESTINATION ${TESSALINE_CMAKE_DIR})
# The soname changes with the major version, and so does compatibility.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TessalineConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TessalineConfig.cmake ${PROJECT_BINARY_DIR}/TessalineConfigVersion.cmake
        DESTINATION ${TESSALINE_CMAKE_DIR} COMPONENT development)
# pkg-config: paths relative to its own prefix where they are relative.
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(TESSALINE_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(TESSALINE_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file(cmake/tessaline.pc.in ${PROJECT_BINARY_DIR}/tessaline.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tessaline.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

# --- man pages and completions ----------------------------------------------
# tessaline(1) is made from the command's own --help; the others are written
# by hand. Compressed where gzip is found, as Debian wants them.
find_program(TESSALINE_GZIP gzip)
set(TESSALINE_MAN_PAGES)
if(TARGET tessaline-cli)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/tessaline.1
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:tessaline-cli> -DOUTPUT=${PROJECT_BINARY_DIR}/man/tessaline.1
            -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS tessaline-cli ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Writing the man page of tessaline from its --help")
  list(APPEND TESSALINE_MAN_PAGES ${PROJECT_BINARY_DIR}/man/tessaline.1)
endif()
set(TESSALINE_HAND_PAGES tessaline-regsvr)
if(TARGET tessastudio)
  list(APPEND TESSALINE_HAND_PAGES tessastudio)
endif()
foreach(page ${TESSALINE_HAND_PAGES})
  configure_file(man/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1 COPYONLY)
  list(APPEND TESSALINE_MAN_PAGES ${PROJECT_BINARY_DIR}/man/${page}.1)
endforeach()
set(TESSALINE_MAN_FILES)
foreach(page ${TESSALINE_MAN_PAGES})
  if(TESSALINE_GZIP)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${TESSALINE_GZIP} -9 -n -c ${page} > ${page}.gz
      DEPENDS ${page})
    list(APPEND TESSALINE_MAN_FILES ${page}.gz)
  else()
    list(APPEND TESSALINE_MAN_FILES ${page})
  endif()
endforeach()
add_custom_target(man-pages ALL DEPENDS ${TESSALINE_MAN_FILES})
install(FILES ${TESSALINE_MAN_FILES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
install(FILES completions/tessaline completions/tessaline-regsvr
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT runtime)

# --- desktop ----------------------------------------------------------------
if(TARGET tessastudio)
  install(FILES app/tessastudio.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT runtime)
  install(FILES app/tessastudio.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          COMPONENT runtime)
  install(FILES app/tessastudio-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME tessastudio.xml COMPONENT runtime)
endif()

# --- registration -----------------------------------------------------------
# A plain `cmake --install` registers the installed libraries: system-wide
# when the prefix's data directory is one that hosts look in, else for the
# installing user. Staging (DESTDIR, packages) registers nothing: the
# package does that when it is installed.
if(TESSALINE_REGISTER_ON_INSTALL)
  install(CODE "
    set(TESSALINE_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(TESSALINE_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
    set(TESSALINE_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
    set(TESSALINE_LIBRARIES \"${TESSALINE_COMPONENT_LIBRARIES}\")"
    COMPONENT runtime)
  install(SCRIPT cmake/Register.cmake COMPONENT runtime)
endif()

if(TESSALINE_DEB)
  include(packaging/Debian.cmake)
endif()
