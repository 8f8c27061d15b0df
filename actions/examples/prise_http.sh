#!/bin/sh
# Switches a smart plug through its HTTP interface with curl: prise_http.sh on|off.
# prise_http_marche.sh and prise_http_arret.sh run it; set the plug's URLs here (these
# are a Tasmota-style plug's).

ON_URL='http://192.168.1.60/cm?cmnd=Power%20On'
OFF_URL='http://192.168.1.60/cm?cmnd=Power%20Off'

set -eu
. "$(dirname "$0")/commun.sh"
exige_etat "${1:-}"
exige_outil curl curl
url=$OFF_URL
[ "$1" = on ] && url=$ON_URL
# -f: an HTTP error status fails; -m 10: a plug that does not answer fails in 10 s.
exec curl -fsS -m 10 -o /dev/null "$url"
