#!/bin/sh
# Switches the device off; the settings are in relais_usb.sh.
exec /bin/sh "$(dirname "$0")/relais_usb.sh" off
