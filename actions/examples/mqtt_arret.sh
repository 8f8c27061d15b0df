#!/bin/sh
# Switches the device off; the settings are in mqtt.sh.
exec /bin/sh "$(dirname "$0")/mqtt.sh" off
