# Installing Quodlet as a desktop program, and its Debian package.
#
# `cmake --install BUILD [--prefix P]` (or `DESTDIR=... cmake --install ...`)
# puts the programs in bin/, a desktop entry in share/applications/, the icon
# at 32, 64, 128 and 256 pixels in the hicolor theme and the AppStream
# metainfo in share/metainfo/. `cpack -G DEB` in the build folder packs the
# same files as a .deb whose dependencies come from the shared libraries
# the programs link.
#
# The rules are made at the end of the top-level CMakeLists.txt (deferred
# from there), so they see every program target however the file ends.

set(QUODLET_APP_ID "org.example.quodlet" CACHE STRING
  "The AppStream component id: reverse-DNS under a domain the project controls")
set(QUODLET_HOMEPAGE "https://quodlet.example.org" CACHE STRING
  "The project's web page, named in the AppStream metainfo")
set(QUODLET_SCREENSHOT_URL "${QUODLET_HOMEPAGE}/docs/screenshot.png" CACHE STRING
  "Where software centres fetch the picture of the window (docs/screenshot.png)")
set(QUODLET_MAINTAINER "Quodlet developers <quodlet@example.org>" CACHE STRING
  "The Debian package's maintainer")

# The icon is drawn at 32 pixels; the theme gets it at whole multiples only,
# so that every pixel stays a sharp square.
set(QUODLET_ICON_SIZES 32 64 128 256)

function(quodlet_packaging)
  # The fuzz build makes fuzz targets only.
  if(QUODLET_FUZZ)
    return()
  endif()
  find_package(ZLIB REQUIRED)
  include(GNUInstallDirs)
  set(source ${PROJECT_SOURCE_DIR}/packaging)

  # The programs: the emulator and the command-line tools, where built.
  # quodlet_programs builds what is installed and nothing else (make run,
  # make install, make package).
  add_custom_target(quodlet_programs)
  foreach(program quodlet quodlet-asm quodlet-run)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
      add_dependencies(quodlet_programs ${program})
    endif()
  endforeach()

  install(FILES ${source}/quodlet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quodlet
    RENAME copyright)

  configure_file(${source}/metainfo.xml.in
    ${PROJECT_BINARY_DIR}/packaging/${QUODLET_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${QUODLET_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The icon's PNG files, made from data/icon.cpp at build time.
  add_library(quodlet_png STATIC ${source}/png_image.cpp)
  quodlet_target_defaults(quodlet_png)
  target_link_libraries(quodlet_png PUBLIC quodlet_core ZLIB::ZLIB)
  add_executable(quodlet_export_icon ${source}/export_icon.cpp)
  quodlet_target_defaults(quodlet_export_icon)
  target_link_libraries(quodlet_export_icon PRIVATE quodlet_png)
  set(icons ${PROJECT_BINARY_DIR}/icons)
  set(icon_files)
  foreach(size ${QUODLET_ICON_SIZES})
    list(APPEND icon_files ${icons}/${size}/quodlet.png)
    install(FILES ${icons}/${size}/quodlet.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_command(OUTPUT ${icon_files}
    COMMAND quodlet_export_icon ${icons} ${QUODLET_ICON_SIZES}
    DEPENDS quodlet_export_icon
    COMMENT "Drawing the icon at ${QUODLET_ICON_SIZES} pixels")
  # The sanitizer build only tests the PNG code; it draws no icons.
  if(QUODLET_SANITIZE)
    set_target_properties(quodlet_export_icon PROPERTIES EXCLUDE_FROM_ALL ON)
    add_custom_target(quodlet_icons DEPENDS ${icon_files})
  else()
    add_custom_target(quodlet_icons ALL DEPENDS ${icon_files})
  endif()
  add_dependencies(quodlet_programs quodlet_icons)

  if(BUILD_TESTING)
    # The desktop entry and the metainfo as the desktop's own tools read them.
    find_program(QUODLET_DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
    find_program(QUODLET_APPSTREAMCLI appstreamcli REQUIRED)
    add_test(NAME desktop_entry_valid
      COMMAND ${QUODLET_DESKTOP_FILE_VALIDATE} ${source}/quodlet.desktop)
    set_tests_properties(desktop_entry_valid PROPERTIES FAIL_REGULAR_EXPRESSION "error:|warning:")
    add_test(NAME metainfo_valid COMMAND ${QUODLET_APPSTREAMCLI} validate --no-net
      ${PROJECT_BINARY_DIR}/packaging/${QUODLET_APP_ID}.metainfo.xml)
    # The tree `cmake --install` makes, as software centres read it: the
    # metainfo, the desktop entry it launches and the icons.
    if(NOT QUODLET_SANITIZE)
      set(stage ${PROJECT_BINARY_DIR}/install-test)
      add_test(NAME install_staged COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${stage}
        ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix /usr)
      set_tests_properties(install_staged PROPERTIES FIXTURES_SETUP installed_tree)
      add_test(NAME installed_tree_valid
        COMMAND ${QUODLET_APPSTREAMCLI} validate-tree --no-net ${stage})
      add_test(NAME installed_desktop_entry_valid COMMAND ${QUODLET_DESKTOP_FILE_VALIDATE}
        ${stage}/usr/share/applications/quodlet.desktop)
      set_tests_properties(installed_tree_valid installed_desktop_entry_valid PROPERTIES
        FIXTURES_REQUIRED installed_tree)
      set_tests_properties(installed_desktop_entry_valid PROPERTIES
        FAIL_REGULAR_EXPRESSION "error:|warning:")
    endif()
    foreach(test_target quodlet_unit_tests quodlet_qt_tests)
      if(TARGET ${test_target})
        target_link_libraries(${test_target} PRIVATE quodlet_png)
      endif()
    endforeach()
  endif()

  # make package: a .deb of what `cmake --install` puts in /usr.
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME quodlet)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_PACKAGE_CONTACT "${QUODLET_MAINTAINER}")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "emulator and single-step debugger for the Intel 4004")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quodlet runs programs written for the Intel 4004, the first 4-bit
microprocessor, in a single window that shows the registers, the stack,
a disassembly that follows the program counter, the RAM and the output
lamps. Programs can be stepped one instruction at a time, animated or run
at full speed, and registers edited in place.")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUODLET_HOMEPAGE}")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Besides the libraries: the platform plugins that draw on a display,
  # which Qt loads at run time, and the fixed-pitch face the listing falls
  # back to where no Courier of fitting height is installed.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
  set(CPACK_STRIP_FILES ON)
  include(CPack)
endfunction()

cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL quodlet_packaging)
