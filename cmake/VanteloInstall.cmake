# SPDX-License-Identifier: MIT
# What `cmake --install` puts where: the program, its desktop integration (menu entry, icons in the
# hicolor theme, AppStream metainfo), the manual page and the licence. The Debian package is built from
# exactly these files (VanteloPackage.cmake).
#
# One application id names the desktop entry, the metainfo and the themed icon, so that menus,
# software centres and window managers match them to each other.
include(GNUInstallDirs)

set(VANTELO_APP_ID "io.github.vantelo.Vantelo" CACHE INTERNAL "Reverse-DNS application id")
set(VANTELO_ICON_SIZES 16 22 24 32 48 64 128 256)

# Installed directories are world-readable whatever the umask of the one who installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(_data ${PROJECT_SOURCE_DIR}/data)
set(_generated ${PROJECT_BINARY_DIR}/install-data)
file(MAKE_DIRECTORY ${_generated})

if(TARGET vantelo)
  install(TARGETS vantelo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${_data}/${VANTELO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_data}/${VANTELO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_data}/icons/vantelo.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VANTELO_APP_ID}.svg)
foreach(size IN LISTS VANTELO_ICON_SIZES)
  install(FILES ${_data}/icons/vantelo-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VANTELO_APP_ID}.png)
endforeach()

# Writes "${output}" as "${input}" compressed the reproducible way (no name, no time stamp, best
# compression), as Debian wants manual pages and changelogs; redone when the input changes.
function(vantelo_gzip input output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
  execute_process(COMMAND gzip -9 -n -c ${input} OUTPUT_FILE ${output} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${input} failed")
  endif()
endfunction()

vantelo_gzip(${_data}/vantelo.1 ${_generated}/vantelo.1.gz)
install(FILES ${_generated}/vantelo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The licence as a machine-readable copyright file: the name and place Debian's tools look for, and
# just as readable for anyone else.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE _licence_lines)
list(FILTER _licence_lines EXCLUDE REGEX "^(MIT License|Copyright .*)$")
set(_copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vantelo
Upstream-Contact: The Vantelo developers

Files: *
Copyright: 2026 The Vantelo developers
License: Expat
")
set(_started FALSE)
foreach(line IN LISTS _licence_lines)
  if(line STREQUAL "")
    if(_started)
      string(APPEND _copyright " .\n")
    endif()
  else()
    set(_started TRUE)
    string(APPEND _copyright " ${line}\n")
  endif()
endforeach()
file(WRITE ${_generated}/copyright "${_copyright}")
install(FILES ${_generated}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
