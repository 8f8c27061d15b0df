#!/bin/sh
# Switches the device off; the settings are in gpio.sh.
exec /bin/sh "$(dirname "$0")/gpio.sh" off
