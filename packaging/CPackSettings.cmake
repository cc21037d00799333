# Four Debian packages from one build tree (`make deb`, or cpack -G DEB in
# it): handrel (the window program and handrel-cli), handrel-device (hdlisten
# and the agent), handrel-device-x11 and handrel-device-wayland (the X11 and
# Wayland backends, apart so a device without them needs none of their
# libraries). Their dependencies come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME handrel)
set(CPACK_PACKAGE_VENDOR "Handrel developers")
set(CPACK_PACKAGE_CONTACT "Handrel developers <${HANDREL_MAINTAINER_EMAIL}>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL desktop device x11 wayland)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME handrel)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION x11)
# The window's built-in link runs the agent inside the desktop process.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS handrel-device)
# CPack indents the lines after the synopsis; an empty line parts paragraphs.
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION "operate a handheld device from the desktop
Handrel shows a handheld device's screen in a desktop window and lets the
desktop's mouse and keyboard drive it. Around that view sit a file explorer
spanning both machines, a console over both, a process manager and clipboard
text both ways.

This package holds the window program and handrel-cli, the same session and
tools from a terminal.")

set(CPACK_DEBIAN_DEVICE_PACKAGE_NAME handrel-device)
# The service's options file is the administrator's: upgrades keep its edits.
set(CPACK_DEBIAN_DEVICE_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/conffiles)
set(CPACK_COMPONENT_DEVICE_DESCRIPTION "device side of Handrel: listener and agent
Handrel shows a handheld device's screen in a desktop window and lets the
desktop's mouse and keyboard drive it.

This package holds hdlisten, which serves the device to one Handrel desktop
at a time over TCP, and the agent library it loads for each connection. It
serves a frame buffer device, an X display, a Wayland compositor or a
built-in virtual handheld.")

set(CPACK_DEBIAN_X11_PACKAGE_NAME handrel-device-x11)
set(CPACK_DEBIAN_X11_PACKAGE_DEPENDS "handrel-device (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEVICE_PACKAGE_SUGGESTS "handrel-device-x11, handrel-device-wayland")
set(CPACK_COMPONENT_X11_DESCRIPTION "X11 backends of the Handrel device side
With this package hdlisten serves an X display: its screen, keyboard and mouse
input, windows and clipboard. hdlisten --device auto picks the display when
DISPLAY opens.")

set(CPACK_DEBIAN_WAYLAND_PACKAGE_NAME handrel-device-wayland)
set(CPACK_DEBIAN_WAYLAND_PACKAGE_DEPENDS "handrel-device (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_WAYLAND_DESCRIPTION "Wayland backends of the Handrel device side
With this package hdlisten serves the output of a wlroots Wayland compositor
(sway, labwc, wayfire, cage): its screen, keyboard and pointer input,
windows and clipboard. hdlisten --device auto picks the compositor when
WAYLAND_DISPLAY connects.")

include(CPack)
