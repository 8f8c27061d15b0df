#!/bin/sh
# Sets one GPIO line with gpioset (libgpiod 1.6, Debian 12): gpio.sh on|off.
# gpio_marche.sh and gpio_arret.sh run it; set the line here.

CHIP=gpiochip0 # the chip, as gpiodetect lists it
LINE=17        # the line's offset on that chip, as gpioinfo lists it
ON_VALUE=1     # 0 for a relay that closes on a low level
OFF_VALUE=0

set -eu
. "$(dirname "$0")/commun.sh"
exige_etat "${1:-}"
exige_outil gpioset gpiod
valeur=$OFF_VALUE
[ "$1" = on ] && valeur=$ON_VALUE
exec gpioset "$CHIP" "$LINE=$valeur"
