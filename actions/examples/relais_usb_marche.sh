#!/bin/sh
# Switches the device on; the settings are in relais_usb.sh.
exec /bin/sh "$(dirname "$0")/relais_usb.sh" on
