# desktop_entry.cmake -- run by `cmake --install` (and CPack): writes the menu
# entry with the program's installed path as its Exec, quoted and escaped as
# the Desktop Entry rules ask where the prefix holds a space or the like.
set(exec "${CMAKE_INSTALL_PREFIX}/games/ostra-velumin")
if(exec MATCHES "[\n\r]")
  message(FATAL_ERROR "a menu entry cannot name a path with a line break: ${exec}")
endif()
# Within quotes the Exec key takes " ` $ and \ each after a backslash; as a
# string value each backslash is then doubled, and % is a field code's start.
if(exec MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
file(READ "${OSTRA_DESKTOP_IN}" entry)
string(REPLACE "@OSTRA_DESKTOP_EXEC@" "${exec}" entry "${entry}")
file(WRITE "${OSTRA_DESKTOP_OUT}" "${entry}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE FILES "${OSTRA_DESKTOP_OUT}")
