#!/bin/sh
# cmake --install into a folder whose name needs quoting: every file is there, the unit
# and the desktop entry name that folder's program, and the folder still works once
# moved elsewhere.
set -eu
build=${1:?usage: installation_test.sh BUILD_FOLDER SOURCE_FOLDER}
source=${2:?usage: installation_test.sh BUILD_FOLDER SOURCE_FOLDER}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fautes=0

faute() {
    echo "FAIL: $*" >&2
    fautes=$((fautes + 1))
}

dossier="$tmp/mon horlivet 100%"
cmake --install "$build" --prefix "$dossier" >"$tmp/installation" 2>&1 ||
    { cat "$tmp/installation" >&2; exit 1; }

for f in horlivet horlivet-plan horlivet-fenetre.so actions/null.bat actions/examples/README.md \
    actions/examples/commun.sh horlivet.service horlivet.desktop; do
    [ -f "$dossier/$f" ] || faute "$f is not installed"
done
for f in horlivet horlivet-plan actions/examples/gpio.sh actions/examples/gpio_marche.sh \
    actions/examples/mqtt_arret.sh; do
    [ -x "$dossier/$f" ] || faute "$f is not executable"
done
for icone in "$source"/resources/horlivet.svg "$source"/resources/horlivet-*.png; do
    [ -f "$icone" ] || continue
    [ -f "$dossier/${icone##*/}" ] || faute "${icone##*/} is not installed"
done

# Both files quote the path and double its %.
programme="$tmp/mon horlivet 100%%/horlivet"
contient() {
    grep -qxF "$2" "$dossier/$1" || faute "$1 has no line '$2'"
}
contient horlivet.service "ExecStart=\"$programme\""
contient horlivet.service "KillSignal=SIGTERM"
contient horlivet.service "Restart=on-failure"
contient horlivet.service "RestartPreventExitStatus=3"
contient horlivet.service "WantedBy=default.target"
contient horlivet.desktop "Exec=\"$programme\""
contient horlivet.desktop "Name=Horlivet"
contient horlivet.desktop "Icon=horlivet"
contient horlivet.desktop "Categories=Utility;"
if command -v systemd-analyze >/dev/null 2>&1; then
    systemd-analyze verify "$dossier/horlivet.service" >"$tmp/verif" 2>&1 ||
        faute "systemd-analyze verify: $(cat "$tmp/verif")"
fi
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$dossier/horlivet.desktop" >"$tmp/verif" 2>&1 ||
        faute "desktop-file-validate: $(cat "$tmp/verif")"
fi

# Moved, the folder's programs look beside themselves.
mv "$dossier" "$tmp/ailleurs"
printf '[ervaline]\r\nnom_0=Pompe\r\n' >"$tmp/ailleurs/ervaline.ini"
code=0
"$tmp/ailleurs/horlivet-plan" >"$tmp/sortie" 2>&1 || code=$?
[ "$code" = 0 ] || faute "the moved horlivet-plan exited with $code: $(cat "$tmp/sortie")"
grep -qxF "Schedule $tmp/ailleurs/ervaline.ini" "$tmp/sortie" ||
    faute "the moved horlivet-plan did not read the file beside it: $(head -1 "$tmp/sortie")"

[ "$fautes" = 0 ] || exit 1
echo "installation: all checks passed"
