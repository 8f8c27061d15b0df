#!/bin/sh
# Switches the device on; the settings are in mqtt.sh.
exec /bin/sh "$(dirname "$0")/mqtt.sh" on
