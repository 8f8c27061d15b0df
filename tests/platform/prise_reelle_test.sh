#!/bin/sh
# The built program and horlivet-ctl over its socket, on Monday 2026-12-07 from 10:00 on
# libfaketime's clock: status with no program (status 3), then on, off, auto, pause and
# status against a running one; a stranger is refused; the end removes the socket.
set -eu
. "$(dirname "$0")/../commun/reel.sh"
chmod 755 "$tmp"
a=
trap '[ -z "$a" ] || kill -9 "$a" 2>/dev/null || true; rm -f /dev/shm/*faketime_*_"$a"; rm -rf "$tmp"' EXIT
cp "$build/horlivet" "$build/horlivet-ctl" "$tmp/"
cp -r "$build/actions" "$tmp/actions"
# Channel 1 on Monday 08:00-12:00 (under way, so not started at 10:00); channel 2 no slot.
printf '[ervaline]\r\nnom_0=Pompe\r\nlundi_0=on\r\nheure_deb_1_0=8\r\nheure_fin_1_0=12\r\nvalid_0=on\r\ncommande_marche_0=m0.sh\r\ncommande_arret_0=a0.sh\r\ncommande_marche_1=m1.sh\r\ncommande_arret_1=a1.sh\r\n' >"$tmp/ervaline.ini"
for f in m0 a0 m1 a1; do touch "$tmp/actions/$f.sh"; done
ctl() { TZ=UTC LC_ALL=C.UTF-8 "$tmp/horlivet-ctl" "$@"; }
commandes() { sed -n 's/.*commande : \(.*\)\r$/\1/p' "$tmp/journal_2026-12.txt" 2>/dev/null | tr '\n' ' '; }
statut() {
    s=0
    "$@" >"$tmp/ctl.out" 2>&1 || s=$?
    echo $s
}

[ "$(statut ctl status)" = 3 ] || faute "status without a program: not status 3"
grep -q "no horlivet runs here" "$tmp/ctl.out" || faute "status without a program does not say so"
[ "$(statut ctl on 1)" = 3 ] || faute "on without a program: not status 3"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$tmp" TZ=UTC LC_ALL=C.UTF-8 \
    LD_PRELOAD="$faketime" NO_FAKE_STAT=1 FAKETIME="@2026-12-07 10:00:00" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
    "$tmp/horlivet" >"$tmp/sortie" 2>&1 &
a=$!
attend test -S "$tmp/horlivet.prise" || faute "no socket: $(cat "$tmp/sortie")"
[ "$(stat -c %a "$tmp/horlivet.prise")" = 600 ] || faute "the socket is not mode 0600"

[ "$(statut ctl on 2)" = 0 ] || faute "on 2: $(cat "$tmp/ctl.out")"
[ "$(statut ctl off 2)" = 0 ] || faute "off 2: $(cat "$tmp/ctl.out")"
[ "$(statut ctl auto 2)" = 0 ] || faute "auto 2: $(cat "$tmp/ctl.out")"
[ "$(statut ctl auto 2)" = 1 ] || faute "auto 2 again is not refused"
[ "$(statut ctl on 1)" = 0 ] || faute "on 1: $(cat "$tmp/ctl.out")"
[ "$(statut ctl pause all --until '2026-12-08 07:00')" = 0 ] || faute "pause all: $(cat "$tmp/ctl.out")"
[ "$(statut ctl pause 1 --until '2026-12-01')" = 1 ] || faute "a pause in the past is not refused"
[ "$(statut ctl on 9)" = 2 ] || faute "channel 9 is not a usage error"
[ "$(statut ctl status --json)" = 0 ] || faute "status --json: $(cat "$tmp/ctl.out")"
grep -q '"why": "paused"' "$tmp/ctl.out" || faute "status does not show the pause: $(cat "$tmp/ctl.out")"
grep -q '"pid": '"$a" "$tmp/ctl.out" || faute "status does not give the process id"
grep -q "channel 2 on by hand until auto (no switching within 8 days) (horlivet-ctl)" "$tmp/sortie" ||
    faute "standard error does not say who asked: $(cat "$tmp/sortie")"

if [ "$(id -u)" = 0 ]; then
    # A peer of another user is refused even when the socket's mode would let it in.
    chmod 666 "$tmp/horlivet.prise"
    s=0
    setpriv --reuid=65534 --regid=65534 --clear-groups "$tmp/horlivet-ctl" on 2 >"$tmp/ctl.out" 2>&1 || s=$?
    [ $s = 1 ] && grep -q "not the program's user" "$tmp/ctl.out" || faute "a stranger is not refused: $s $(cat "$tmp/ctl.out")"
    chmod 600 "$tmp/horlivet.prise"
fi

attend test "$(commandes)" = "m1.sh a1.sh m0.sh a0.sh " || faute "launches: $(commandes)"
kill -TERM "$a"
wait "$a" || true
a=
[ ! -e "$tmp/horlivet.prise" ] || faute "the socket outlives the program"
grep -q "channel 1 paused" "$tmp/horlivet.etat" || faute "the pause is not kept: $(cat "$tmp/horlivet.etat")"
[ "$(commandes)" = "m1.sh a1.sh m0.sh a0.sh " ] || faute "launches at the end: $(commandes)"
exit $fautes
