# Install step: writes horlivet.service and horlivet.desktop into the install folder,
# with the program's path in that folder. Needs horlivet_packaging, the folder of the
# templates.

set(dossier "${CMAKE_INSTALL_PREFIX}")
cmake_path(ABSOLUTE_PATH dossier NORMALIZE)
if(dossier MATCHES "/$" AND NOT dossier STREQUAL "/")
    string(REGEX REPLACE "/+$" "" dossier "${dossier}")
endif()
set(programme "${dossier}/horlivet")

if(programme MATCHES "[\"\\\\`$]")
    message(FATAL_ERROR "The install folder ${dossier} holds a quote, a backslash, a "
                        "backquote or a dollar sign; the service and the desktop entry "
                        "could not name the program. Choose another folder.")
endif()
# Both files quote the path, so spaces are kept; both read % as the start of a field code.
string(REPLACE "%" "%%" programme_echappe "${programme}")
set(EXEC_SYSTEMD "\"${programme_echappe}\"")
set(EXEC_DESKTOP "\"${programme_echappe}\"")
set(DOSSIER_COMMENTAIRE "${dossier}")

foreach(nom horlivet.service horlivet.desktop)
    set(cible "$ENV{DESTDIR}${dossier}/${nom}")
    message(STATUS "Installing: ${cible}")
    configure_file("${horlivet_packaging}/${nom}.in" "${cible}" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${cible}")
endforeach()
