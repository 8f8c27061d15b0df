#!/bin/sh
# The built program and its displays: a DISPLAY that does not answer, a Wayland socket
# that does not speak Wayland or a cut window module give a run without a window, said
# on standard error, that SIGTERM ends with status 0; a real compositor (Weston) gets the
# window; a window on Xvfb
# whose server goes away stops its started channel once, journalled, empties the state
# file, says so on standard error, and ends with status 1.
set -eu
. "$(dirname "$0")/../commun/reel.sh"
xvfb=
programme=
autres=
trap '[ -z "$programme" ] || kill -9 "$programme" 2>/dev/null; [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null; [ -z "$autres" ] || kill $autres 2>/dev/null; rm -rf "$tmp"' EXIT
# The program's folder as installed: program, window module, actions/, a Monday slot
# 08:00-18:00 of channel 1 whose stop script writes to arrets.txt.
cp "$build/horlivet" "$build/horlivet-fenetre.so" "$tmp/"
cp -r "$build/actions" "$tmp/actions"
printf '[ervaline]\r\nnom_0=Pompe\r\nlundi_0=on\r\nheure_deb_1_0=8\r\nminute_deb_1_0=0\r\nheure_fin_1_0=18\r\nminute_fin_1_0=0\r\nvalid_0=on\r\ncommande_arret_0=arret.sh\r\n' >"$tmp/ervaline.ini"
printf '#!/bin/sh\necho arret >>"%s/arrets.txt"\n' "$tmp" >"$tmp/actions/arret.sh"
chmod +x "$tmp/actions/arret.sh"
mkdir -m 700 "$tmp/run"
lance() {
    # Emptied before the program starts, so that no poll reads the last run's output.
    : >"$tmp/sortie"
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$tmp/run" TZ=UTC LC_ALL=C.UTF-8 \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" "$@" \
        "$tmp/horlivet" >"$tmp/sortie" 2>&1 &
    programme=$!
}
fin() {
    statut=0
    wait "$programme" || statut=$?
    programme=
}

# Runs without a window until SIGTERM, which must end it with status 0, after the line
# of standard error $1 (a grep pattern).
sans_fenetre() {
    attend grep -q "$1, le programme tourne sans fenêtre" "$tmp/sortie" ||
        faute "no line saying '$1': $(cat "$tmp/sortie")"
    kill -TERM "$programme"
    fin
    [ "$statut" = 0 ] || faute "SIGTERM ended the run without a window with status $statut"
}

lance DISPLAY=:65002
sans_fenetre "l'affichage :65002 ne répond pas"

# A socket that listens and never answers: Qt would wait on it for ever (or abort
# without its Wayland plugin).
python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1])
s.listen()
time.sleep(600)' "$tmp/run/sourd" &
autres=$!
attend test -S "$tmp/run/sourd" || faute "the silent socket did not appear"
lance DISPLAY= WAYLAND_DISPLAY=sourd
sans_fenetre "l'affichage sourd ne répond pas"

# A real compositor gets the window, through Qt's Wayland plugin.
XDG_RUNTIME_DIR="$tmp/run" weston --backend=headless-backend.so --socket=wayland-essai --idle-time=0 \
    >"$tmp/weston" 2>&1 &
autres="$autres $!"
attend test -S "$tmp/run/wayland-essai" || faute "Weston did not start: $(cat "$tmp/weston")"
lance DISPLAY= WAYLAND_DISPLAY=wayland-essai
# The startup's line comes once SIGTERM is handled.
attend grep -q "restore" "$tmp/sortie" || faute "the window's run did not start: $(cat "$tmp/sortie")"
grep -q libqwayland "/proc/$programme/maps" || faute "no window on Weston: $(cat "$tmp/sortie")"
grep -q "sans fenêtre" "$tmp/sortie" && faute "the window's run says it has none"
kill -TERM "$programme"
fin
[ "$statut" = 0 ] || faute "SIGTERM ended the window on Weston with status $statut"

Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 640x480x24 3>"$tmp/ecran" >/dev/null 2>&1 &
xvfb=$!
attend test -s "$tmp/ecran" || faute "Xvfb did not start"

# The window module cut short, as an interrupted copy leaves it: the loader would die of
# a SIGBUS, without a word.
mv "$tmp/horlivet-fenetre.so" "$tmp/entier.so"
head -c 100000 "$tmp/entier.so" >"$tmp/horlivet-fenetre.so"
lance DISPLAY=":$(cat "$tmp/ecran")"
sans_fenetre "la fenêtre ne se charge pas ($tmp/horlivet-fenetre.so est tronqué (100000 octets sur au moins [0-9]*))"
mv "$tmp/entier.so" "$tmp/horlivet-fenetre.so"

# At noon on that Monday, the slot started at 08:00 by a run that was killed.
echo "channel 1 slot 1 started 2026-12-07 08:00:04 times 08:00-18:00" >"$tmp/horlivet.etat"
lance DISPLAY=":$(cat "$tmp/ecran")" LD_PRELOAD="$faketime" FAKETIME="@2026-12-07 12:00:00"
# The state file rewritten by the restore: the window's application holds its display.
attend grep -q '^#' "$tmp/horlivet.etat" || faute "the slot was not restored: $(cat "$tmp/sortie")"
kill "$xvfb"
xvfb=
pid=$programme
fin
rm -f "/dev/shm/faketime_shm_$pid" "/dev/shm/sem.faketime_sem_$pid"
[ "$statut" = 1 ] || faute "the lost display ended the program with status $statut"
attend test -s "$tmp/arrets.txt" || faute "no stop command ran"
sleep 0.5
[ "$(cat "$tmp/arrets.txt" 2>/dev/null)" = arret ] || faute "stop commands: $(cat "$tmp/arrets.txt")"
grep -q 'Pompe  \*\*\*    ON        OK  commande : arret.sh' "$tmp/journal_2026-12.txt" ||
    faute "no journal line of the stop"
grep -q '^channel' "$tmp/horlivet.etat" && faute "the state file still lists a slot"
grep -q 'horlivet: ended unasked, status 1 so that a service restarts it: stop command launched for channel 1 "Pompe"' "$tmp/sortie" ||
    faute "standard error does not say what the end stopped"
[ $fautes = 0 ] || { echo "program output:" >&2; cat "$tmp/sortie" >&2; exit 1; }
