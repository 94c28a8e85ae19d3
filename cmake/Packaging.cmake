# Installation and the Debian package.
#
#   cmake --install build/default --prefix /usr          (or DESTDIR=stage ... for a staging tree)
#   cd build/default && cpack -G DEB
#
# Layout under the prefix: bin/halvric and bin/halvricctl; share/halvric/ (the program folder the
# programs find as ../share/halvric beside their executable); the desktop entry, metainfo and icon
# under share/; the udev rule under lib/udev/rules.d; the man pages (gzip-compressed); the
# changelog and copyright under share/doc/halvric; and the autostart entry in
# /etc/xdg/autostart (prefix/etc/xdg/autostart for prefixes other than /usr).

include(GNUInstallDirs)

set(HALVRIC_APP_ID "io.github.halvric.Halvric")
set(HALVRIC_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the udev rules go; relative paths are under the install prefix")
set(HALVRIC_MODULES_LOAD_DIR "lib/modules-load.d" CACHE STRING
    "Where the list of kernel modules loaded at boot goes; relative paths are under the install prefix")
set(_pkg ${PROJECT_SOURCE_DIR}/packaging)

# The desktop program is built only where Qt is available and the GUI is enabled.
if(TARGET halvric)
  install(TARGETS halvric RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The program folder: the read-only text resources (language.ini is optional).
file(GLOB _resource_files CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/language.ini
  ${PROJECT_SOURCE_DIR}/resources/keyboard.ini
  ${PROJECT_SOURCE_DIR}/resources/usage_to_scan.txt
  ${PROJECT_SOURCE_DIR}/resources/bulitin.ini)
install(FILES ${_resource_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/halvric)
# The KWin scripts that report the active window in Plasma (one per generation of KWin's
# scripting API), loaded by the program from its program folder.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/kwin DESTINATION ${CMAKE_INSTALL_DATADIR}/halvric)
# The GNOME Shell extension that publishes the focused window: one variant in the classic style
# of GNOME 43 and 44 (Debian 12), one in the module style of GNOME 45 and later. Only one can sit
# under its uuid: the one for the GNOME Shell of the building machine (43 when it has none);
# HALVRIC_GNOME_SHELL=43 or 45 chooses.
set(_gnome_default 43)
find_program(GNOME_SHELL_EXECUTABLE gnome-shell)
if(GNOME_SHELL_EXECUTABLE)
  execute_process(COMMAND ${GNOME_SHELL_EXECUTABLE} --version OUTPUT_VARIABLE _gnome_version ERROR_QUIET TIMEOUT 10)
  if(_gnome_version MATCHES "GNOME Shell ([0-9]+)" AND CMAKE_MATCH_1 GREATER_EQUAL 45)
    set(_gnome_default 45)
  endif()
endif()
set(HALVRIC_GNOME_SHELL "${_gnome_default}" CACHE STRING "GNOME Shell generation of the installed extension: 43 (43-44) or 45 (45 and later)")
set_property(CACHE HALVRIC_GNOME_SHELL PROPERTY STRINGS 43 45)
set(_extension halvric-focus@halvric.github.io)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/gnome-shell/${_extension}/gnome-${HALVRIC_GNOME_SHELL}/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${_extension})
# Both variants also go into the program folder, from where a user whose GNOME Shell is of the
# other generation copies the right one into their own extensions folder (the README says how).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/gnome-shell DESTINATION ${CMAKE_INSTALL_DATADIR}/halvric)
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/library)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/library DESTINATION ${CMAKE_INSTALL_DATADIR}/halvric)
endif()

# Desktop integration.
install(FILES ${_pkg}/70-halvric.rules ${_pkg}/70-halvric-uinput.rules DESTINATION ${HALVRIC_UDEV_RULES_DIR})
# Tilt-scroll and touch write /dev/uinput: the module is loaded at boot so that the node exists.
install(FILES ${_pkg}/halvric-uinput.conf DESTINATION ${HALVRIC_MODULES_LOAD_DIR})
install(FILES ${_pkg}/${HALVRIC_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/${HALVRIC_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_pkg}/${HALVRIC_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages and the changelog are installed compressed, as Debian wants them: gzip -9n (no file
# name or time stamp inside, so the package is the same from build to build).
find_program(HALVRIC_GZIP gzip REQUIRED)
set(_man_pages halvricctl.1)
if(TARGET halvric)
  list(APPEND _man_pages halvric.1)
endif()
set(_compressed "")
foreach(_f ${_man_pages} changelog)
  set(_gz ${CMAKE_BINARY_DIR}/packaging/${_f}.gz)
  add_custom_command(OUTPUT ${_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${HALVRIC_GZIP} -9n -c ${_pkg}/${_f} > ${_gz}
    DEPENDS ${_pkg}/${_f}
    COMMENT "Compressing ${_f}"
    VERBATIM)
  list(APPEND _compressed ${_gz})
endforeach()
add_custom_target(halvric_compressed_docs ALL DEPENDS ${_compressed})
foreach(_f ${_man_pages})
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${_f}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${_pkg}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The format of the configuration files of halvricctl export / apply, and its schema.
install(FILES ${PROJECT_SOURCE_DIR}/docs/config-format.md ${PROJECT_SOURCE_DIR}/docs/config-format.schema.json
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The autostart entry belongs in /etc/xdg/autostart for a system install; the prefix is only
# known at install time (cpack installs with its own), so the folder is chosen then; file(INSTALL)
# adds DESTDIR itself.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(_autostart \"/etc/xdg/autostart\")
  else()
    set(_autostart \"\${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart\")
  endif()
  file(INSTALL DESTINATION \"\${_autostart}\" TYPE FILE
       FILES \"${_pkg}/${HALVRIC_APP_ID}-autostart.desktop\")
")

# --- Debian package
set(CPACK_PACKAGE_NAME "halvric")
set(CPACK_PACKAGE_VENDOR "The Halvric developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration program for programmable USB gaming mice")
set(CPACK_PACKAGE_DESCRIPTION
"Halvric configures the programmable USB gaming mice of vendor 0x0C45: profiles,
button functions, DPI levels, report rate, lighting and macros, stored in the
mouse's own memory. The package holds the desktop program halvric, the
command-line tool halvricctl and a udev rule that gives the logged-in user
access to the mouse.")
set(CPACK_PACKAGE_CONTACT "Halvric developers <halvric@users.noreply.github.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Library dependencies come from the programs themselves; the key names need the layout data, the
# Chinese, Japanese and Korean texts a font that has their characters, and Qt's own dialogs their
# translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xkb-data, fonts-noto-cjk, qt6-translations-l10n")
# Files under /etc are configuration the administrator may edit: dpkg keeps their edits.
file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "/etc/xdg/autostart/${HALVRIC_APP_ID}-autostart.desktop\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${_pkg}/debian/postinst;${_pkg}/debian/postrm;${CMAKE_BINARY_DIR}/debian/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The installed tree, checked by installing into a staging folder.
if(HALVRIC_BUILD_TESTS)
  add_test(NAME install_tree
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSTAGE=${CMAKE_BINARY_DIR}/install-stage
            -DEXPECT_GUI=$<TARGET_EXISTS:halvric> -P ${PROJECT_SOURCE_DIR}/tests/platform/install_tree_check.cmake)
  set_tests_properties(install_tree PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED:")
  # The Debian package built from this tree passes lintian without errors or warnings (skipped
  # where lintian is not installed). Not in sanitizer builds: nobody packages those.
  if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    add_test(NAME deb_lintian
      COMMAND ${PROJECT_SOURCE_DIR}/tests/platform/deb_lintian_check.sh ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/deb-check)
    set_tests_properties(deb_lintian PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
  endif()
endif()
