#!/bin/sh
# Installs the Debian 12 packages the build needs, or says which to install.
set -eu
paquets="cmake ninja-build g++ qt6-base-dev qt6-wayland qt6-translations-l10n libfontconfig-dev libgtest-dev libgmock-dev libbenchmark-dev libnova-dev nlohmann-json3-dev"
case "${1:-}" in
    --test) paquets="$paquets faketime xvfb weston python3" ;;
    --bench) paquets="$paquets python3 xvfb libxcb1-dev" ;;
esac
manquants=""
for p in $paquets; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || manquants="$manquants $p"
done
[ -z "$manquants" ] && exit 0
if [ "$(id -u)" = 0 ]; then
    echo "Installing:$manquants" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q $manquants >&2 || {
        apt-get update -q >&2 && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $manquants >&2
    }
else
    echo "Missing packages. Run as root:" >&2
    echo "  apt-get install -y$manquants" >&2
    exit 1
fi
