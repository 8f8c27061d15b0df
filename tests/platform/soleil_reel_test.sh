#!/bin/sh
# The built program in Paris, its slot starting at sunset, on a clock libfaketime runs 60
# times faster, started three minutes before on a winter and a summer day: the start comes
# once, in the minute of that day's sunset (libnova's time checked against an independent
# ephemeris: 17:21 CET and 21:58 CEST), and its command runs.
set -eu
. "$(dirname "$0")/../commun/reel.sh"
p=
pids=
trap 'nettoie $p' EXIT
journal() { cat "$tmp"/$1/journal_*.txt 2>/dev/null; }
for jour in "2027-01-15 17:18:00 17:21" "2027-06-21 21:55:00 21:58"; do
    set -- $jour
    d="$tmp/$1"
    mkdir -p "$d"
    cp "$build/horlivet" "$build/horlivet-fenetre.so" "$d/"
    cp -r "$build/actions" "$d/actions"
    printf '#!/bin/sh\ntouch "$(dirname "$0")/../lancee"\n' >"$d/actions/m.sh"
    chmod +x "$d/actions/m.sh"
    printf '[ervaline]\r\nnom_0=Lampe\r\nheure_fin_1_0=23\r\nvalid_0=on\r\ncommande_marche_0=m.sh\r\n' >"$d/ervaline.ini"
    for j in lundi mardi mercredi jeudi vendredi samedi dimanche; do printf '%s_0=on\r\n' $j >>"$d/ervaline.ini"; done
    printf '[horlivet]\r\nlatitude=48.8566\r\nlongitude=2.3522\r\nsoleil_deb_1_0=coucher\r\n' >>"$d/ervaline.ini"
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$tmp" TZ=Europe/Paris \
        LC_ALL=C.UTF-8 LD_PRELOAD="$faketime" NO_FAKE_STAT=1 FAKETIME="@$1 $2 x60" \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
        "$d/horlivet" >"$d/sortie" 2>&1 &
    p=$!
    pids="$pids $p"
    attend sh -c "cat '$d'/journal_*.txt 2>/dev/null | grep -q m.sh" || faute "$1: no start"
    # A minute more: a second start would come in it.
    sleep 1
    kill -TERM "$p" && wait "$p" || faute "$1: SIGTERM ended the program with an error"
    p=
    [ "$(journal "$1" | grep -c m.sh)" = 1 ] || faute "$1: not one start: $(journal "$1")"
    journal "$1" | grep -q "\* $3:[0-5][0-9]  : .*commande : m.sh" ||
        faute "$1: the start did not come at $3: $(journal "$1") $(cat "$d/sortie")"
    attend test -e "$d/lancee" || faute "$1: the start command did not run"
done
[ $fautes = 0 ]
