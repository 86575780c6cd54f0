# package.cmake -- the Linux program as people install it: the Release build,
# the one the hostile cases run, as games/ostra-velumin with its menu entry,
# icons, manual page and the Debian package's documents, installed by
# `cmake --install` under any prefix and packed by CPack's DEB generator
# (tools/package.sh). It builds nothing for the Windows program or the site.

# The project's version, and for a build that is not the tagged release the
# commit it was made from; the commit's time dates the changelog and the manual.
set(OSTRA_PACKAGE_VERSION ${PROJECT_VERSION})
set(OSTRA_PACKAGE_EPOCH "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS ${CMAKE_SOURCE_DIR}/.git)
  execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --exact-match --match v${PROJECT_VERSION} HEAD
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} RESULT_VARIABLE untagged OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%h%n%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(head MATCHES "^([0-9a-f]+)\n([0-9]+)$")
    set(OSTRA_PACKAGE_EPOCH ${CMAKE_MATCH_2})
    if(untagged)
      set(OSTRA_PACKAGE_VERSION ${PROJECT_VERSION}+git${CMAKE_MATCH_1})
    endif()
  endif()
endif()
if(OSTRA_PACKAGE_EPOCH)
  set(ENV{SOURCE_DATE_EPOCH} ${OSTRA_PACKAGE_EPOCH}) # string(TIMESTAMP) then tells that time
endif()
string(TIMESTAMP OSTRA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP OSTRA_MAN_DATE "%Y-%m-%d" UTC)
set(OSTRA_MAINTAINER "ostra velumin developers <maintainers@ostra-velumin.example>")

# The packaged program is the Release build itself, under its installed name.
set_target_properties(ostra_release PROPERTIES OUTPUT_NAME ostra-velumin)

# The documents, compressed as Debian wants them: gzip -9n, no name or time inside.
set(OSTRA_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(OSTRA_DOCS ${CMAKE_BINARY_DIR}/packaging)
configure_file(${OSTRA_PACKAGING}/ostra-velumin.6.in ${OSTRA_DOCS}/ostra-velumin.6 @ONLY)
configure_file(${OSTRA_PACKAGING}/changelog.in ${OSTRA_DOCS}/changelog @ONLY)
foreach(doc ostra-velumin.6 changelog)
  add_custom_command(OUTPUT ${OSTRA_DOCS}/${doc}.gz COMMAND sh -c "gzip -9n < ${doc} > ${doc}.gz"
                     DEPENDS ${OSTRA_DOCS}/${doc} WORKING_DIRECTORY ${OSTRA_DOCS} VERBATIM)
endforeach()
add_custom_target(ostra_package ALL DEPENDS ostra_release ${OSTRA_DOCS}/ostra-velumin.6.gz
                  ${OSTRA_DOCS}/changelog.gz)

install(TARGETS ostra_release RUNTIME DESTINATION games)
install(FILES ${OSTRA_DOCS}/ostra-velumin.6.gz DESTINATION share/man/man6)
install(FILES ${OSTRA_DOCS}/changelog.gz ${OSTRA_PACKAGING}/copyright DESTINATION share/doc/ostra-velumin)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${OSTRA_PACKAGING}/icons/${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME ostra-velumin.png)
endforeach()
# The menu entry names the program by its installed path, known only at
# install time: games/ is on no one's PATH under a prefix such as ~/.local.
install(CODE "set(OSTRA_DESKTOP_IN \"${OSTRA_PACKAGING}/ostra-velumin.desktop.in\")
  set(OSTRA_DESKTOP_OUT \"${OSTRA_DOCS}/ostra-velumin.desktop\")")
install(SCRIPT ${OSTRA_PACKAGING}/desktop_entry.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostra-velumin) # the project's own name has an underscore, which Debian refuses
set(CPACK_PACKAGE_VERSION ${OSTRA_PACKAGE_VERSION})
set(CPACK_PACKAGE_CONTACT ${OSTRA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small self-running real-time 3D demo with music")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A noise-synthesised terrain ringed by gradient walls, a forest of 200 trees,
16 flyers that trail smoke and bomb trenches into the ground with splitting
fireballs, a swaying camera and an embedded MIDI tune, for 30 seconds, drawn
with OpenGL 1.1 and GLU and played through FluidSynth.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a General MIDI soundfont the run is only silent.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm | sf2-soundfont-gm")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The staging goes through DESTDIR, so that the prefix at install time is /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
