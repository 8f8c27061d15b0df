#!/bin/sh
# Switches the device on; the settings are in gpio.sh.
exec /bin/sh "$(dirname "$0")/gpio.sh" on
