#!/bin/sh
# Two built programs in one folder, on a clock libfaketime runs 60 times faster (a minute
# a second): the second one, without a display, says it waits for the first and launches
# nothing; a third, with its window on the offscreen platform, ends at once with status 3;
# SIGTERM ends the first, and the second takes over and runs the schedule.
set -eu
. "$(dirname "$0")/../commun/reel.sh"
a=
b=
pids=
trap 'nettoie $a $b' EXIT
# Channels 1, 2, 3 on Monday from 08:00, 08:03 and 08:45 to 08:30, 08:30 and 08:50, their
# commands m<c>.sh and a<c>.sh.
cp "$build/horlivet" "$build/horlivet-fenetre.so" "$tmp/"
cp -r "$build/actions" "$tmp/actions"
printf '[ervaline]\r\n' >"$tmp/ervaline.ini"
for c in 0 1 2; do
    m=$(echo 0 3 45 | cut -d' ' -f$((c + 1)))
    f=$(echo 30 30 50 | cut -d' ' -f$((c + 1)))
    printf 'nom_%s=V%s\r\nlundi_%s=on\r\nheure_deb_1_%s=8\r\nminute_deb_1_%s=%s\r\nheure_fin_1_%s=8\r\nminute_fin_1_%s=%s\r\nvalid_%s=on\r\ncommande_marche_%s=m%s.sh\r\ncommande_arret_%s=a%s.sh\r\n' \
        $c $c $c $c $c $m $c $c $f $c $c $c $c $c >>"$tmp/ervaline.ini"
    touch "$tmp/actions/m$c.sh" "$tmp/actions/a$c.sh"
done
cp "$tmp/ervaline.ini" "$tmp/ervaline.avant"
lance() {
    sortie=$1
    shift
    exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$tmp" TZ=UTC \
        LC_ALL=C.UTF-8 LD_PRELOAD="$faketime" NO_FAKE_STAT=1 \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" "$@" \
        "$tmp/horlivet" >"$tmp/$sortie" 2>&1
}
# The commands of the journal's lines, in order.
commandes() { sed -n 's/.*commande : \(.*\)\r$/\1/p' "$tmp/journal_2026-12.txt" 2>/dev/null | tr '\n' ' '; }
lancees() { [ "$(commandes)" = "$1" ]; }

lance sortie_a FAKETIME="@2026-12-07 07:59:50 x60" &
a=$!
premier=$a
pids=$a
attend lancees "m0.sh " || faute "the first program did not start channel 1: $(commandes)"
# libfaketime starts the clock at its first reading, which the wait may put off: the
# second clock starts after the minutes the first one will have run.
lance sortie_b FAKETIME="@2026-12-07 08:31:00 x60" &
b=$!
pids="$a $b"
attend grep -qF "waits for process $premier to end" "$tmp/sortie_b" ||
    faute "the second program does not say it waits: $(cat "$tmp/sortie_b")"
attend lancees "m0.sh m1.sh " || faute "channel 2 was not started once: $(commandes)"
[ "$(wc -l <"$tmp/sortie_b")" = 1 ] || faute "the second program did more than wait"
code=0
(lance sortie_c QT_QPA_PLATFORM=offscreen timeout 20) || code=$?
[ $code = 3 ] || faute "the program with a window ended with status $code"
grep -qF "Horlivet tourne déjà dans ce dossier (processus $premier)" "$tmp/sortie_c" ||
    faute "the program with a window does not name the running one: $(cat "$tmp/sortie_c")"

kill -TERM "$a"
code=0
wait "$a" || code=$?
a=
[ $code = 0 ] || faute "SIGTERM ended the first program with status $code"
attend grep -qF "process $premier ended, this one takes over" "$tmp/sortie_b" ||
    faute "the second program did not take over: $(cat "$tmp/sortie_b")"
# Channel 3 starts at 08:45: launched by the second program alone.
attend lancees "m0.sh m1.sh a0.sh a1.sh m2.sh " || faute "launches: $(commandes)"
kill -TERM "$b"
code=0
wait "$b" || code=$?
b=
[ $code = 0 ] || faute "SIGTERM ended the second program with status $code"
lancees "m0.sh m1.sh a0.sh a1.sh m2.sh a2.sh " || faute "launches at the end: $(commandes)"
cmp -s "$tmp/ervaline.ini" "$tmp/ervaline.avant" || faute "ervaline.ini was changed"
[ "$(grep -c 'le programme tourne sans fenêtre' "$tmp/sortie_b")" = 1 ] ||
    faute "the second program did not run once it took over"
[ $fautes = 0 ] || {
    for s in sortie_a sortie_b sortie_c; do echo "$s:" >&2 && cat "$tmp/$s" >&2; done
    exit 1
}
