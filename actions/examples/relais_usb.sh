#!/bin/sh
# Switches one relay of a USB HID relay board with usbrelay: relais_usb.sh on|off.
# relais_usb_marche.sh and relais_usb_arret.sh run it; set the relay here.

RELAY=HURTM_1 # board name and relay number, as usbrelay without arguments lists them

set -eu
. "$(dirname "$0")/commun.sh"
exige_etat "${1:-}"
exige_outil usbrelay usbrelay
valeur=0
[ "$1" = on ] && valeur=1
exec usbrelay "$RELAY=$valeur"
