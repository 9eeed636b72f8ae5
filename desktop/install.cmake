# Installation: the executable beside a launcher that gives each user a run directory of their
# own, the sounds, a desktop entry and the icon; `uninstall` removes what was installed.
include(GNUInstallDirs)
# The launcher finds the rest relative to itself, so an install under any prefix works.
file(RELATIVE_PATH BIN_TO_LIBEXEC ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR})
file(RELATIVE_PATH BIN_TO_DATA ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/vektor-swarm.sh.in ${PROJECT_BINARY_DIR}/install/vektor-swarm @ONLY)

install(TARGETS vektor-swarm RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vektor-swarm)
install(PROGRAMS ${PROJECT_BINARY_DIR}/install/vektor-swarm DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vektor-swarm/data
        FILES_MATCHING PATTERN "*.ogg")
# The desktop entry names the launcher, and the manual page every installed file, by its full
# path under the prefix given at install time.
install(CODE "
  set(bindir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  set(libexecdir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}\")
  set(datadir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\")
  set(version \"${PROJECT_VERSION}\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/vektor-swarm.desktop.in\"
                 \"${PROJECT_BINARY_DIR}/install/vektor-swarm.desktop\" @ONLY)
  file(INSTALL \"${PROJECT_BINARY_DIR}/install/vektor-swarm.desktop\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/vektor-swarm.6.in\"
                 \"${PROJECT_BINARY_DIR}/install/vektor-swarm.6\" @ONLY)
  file(INSTALL \"${PROJECT_BINARY_DIR}/install/vektor-swarm.6\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man6\")")
# What software centres show: description, screenshots, content rating.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/invalid.vektor_swarm.VektorSwarm3D.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/graphx/icons/vektor-swarm-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME vektor-swarm.png)
endforeach()

add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -P ${CMAKE_CURRENT_LIST_DIR}/uninstall.cmake ${PROJECT_BINARY_DIR}/install_manifest.txt
  COMMENT "Removing what cmake --install put in place")
