# Installs the build into a staging folder (DESTDIR, prefix /usr, as the Debian package does) and
# checks the tree: every file in its place, the udev rule without world-writable modes, the
# autostart entry starting hidden, and the desktop files and metainfo accepted by their
# validators. Missing validators skip their part and mark the test skipped.
#
#   cmake -DBUILD_DIR=... -DSTAGE=... [-DEXPECT_GUI=ON] -P install_tree_check.cmake

foreach(v BUILD_DIR STAGE)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "${v} is required")
  endif()
endforeach()

set(app io.github.halvric.Halvric)
file(REMOVE_RECURSE "${STAGE}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${STAGE}" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix /usr
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}\n${err}")
endif()

set(root "${STAGE}/usr")
set(expected
  "${root}/bin/halvricctl"
  "${root}/share/halvric/language.ini"
  "${root}/share/halvric/keyboard.ini"
  "${root}/share/halvric/usage_to_scan.txt"
  "${root}/share/halvric/bulitin.ini"
  "${root}/share/halvric/library"
  "${root}/share/halvric/kwin/halvric-foreground-plasma5.js"
  "${root}/share/halvric/kwin/halvric-foreground-plasma6.js"
  "${root}/share/gnome-shell/extensions/halvric-focus@halvric.github.io/metadata.json"
  "${root}/share/gnome-shell/extensions/halvric-focus@halvric.github.io/extension.js"
  "${root}/share/halvric/gnome-shell/halvric-focus@halvric.github.io/gnome-43/extension.js"
  "${root}/share/halvric/gnome-shell/halvric-focus@halvric.github.io/gnome-45/extension.js"
  "${root}/share/applications/${app}.desktop"
  "${root}/share/metainfo/${app}.metainfo.xml"
  "${root}/share/icons/hicolor/scalable/apps/${app}.svg"
  "${root}/share/man/man1/halvricctl.1.gz"
  "${root}/share/doc/halvric/changelog.gz"
  "${root}/share/doc/halvric/copyright"
  "${root}/share/doc/halvric/config-format.md"
  "${root}/share/doc/halvric/config-format.schema.json"
  "${root}/lib/udev/rules.d/70-halvric.rules"
  "${root}/lib/udev/rules.d/70-halvric-uinput.rules"
  "${root}/lib/modules-load.d/halvric-uinput.conf"
  "${STAGE}/etc/xdg/autostart/${app}-autostart.desktop")
if(EXPECT_GUI)
  list(APPEND expected "${root}/bin/halvric" "${root}/share/man/man1/halvric.1.gz")
endif()
set(missing "")
foreach(f ${expected})
  if(NOT EXISTS "${f}")
    list(APPEND missing "${f}")
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " missing_text)
  message(FATAL_ERROR "missing from the installed tree:\n  ${missing_text}")
endif()
# The program folder is found as ../share/halvric beside the executable.
if(NOT IS_DIRECTORY "${root}/bin/../share/halvric/library")
  message(FATAL_ERROR "the program folder is not ../share/halvric beside the programs")
endif()

# The udev rule: access through the seat (uaccess) for the hidraw nodes and the USB device node,
# never by mode bits that open the mouse to every user.
file(READ "${root}/lib/udev/rules.d/70-halvric.rules" rule)
if(rule MATCHES "MODE[ \t]*=")
  message(FATAL_ERROR "the udev rule sets a MODE; access must come from the uaccess tag")
endif()
foreach(subsystem hidraw usb)
  if(NOT rule MATCHES "SUBSYSTEM==\"${subsystem}\"[^\n]*idVendor}==\"0c45\"[^\n]*TAG\\+=\"uaccess\"")
    message(FATAL_ERROR "the udev rule does not tag the ${subsystem} nodes of vendor 0c45 with uaccess")
  endif()
endforeach()

file(STRINGS "${STAGE}/etc/xdg/autostart/${app}-autostart.desktop" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=halvric --hide")
  message(FATAL_ERROR "the autostart entry must start the program hidden, found: ${exec}")
endif()

set(skipped "")
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  foreach(f "${root}/share/applications/${app}.desktop" "${STAGE}/etc/xdg/autostart/${app}-autostart.desktop")
    execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} "${f}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
      message(FATAL_ERROR "desktop-file-validate ${f}:\n${out}${err}")
    endif()
  endforeach()
else()
  list(APPEND skipped desktop-file-validate)
endif()

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} validate --no-net "${root}/share/metainfo/${app}.metainfo.xml"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate:\n${out}${err}")
  endif()
else()
  list(APPEND skipped appstreamcli)
endif()

if(skipped)
  message("SKIPPED: not installed: ${skipped}; the tree itself is correct")
endif()
