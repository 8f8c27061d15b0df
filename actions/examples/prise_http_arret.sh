#!/bin/sh
# Switches the device off; the settings are in prise_http.sh.
exec /bin/sh "$(dirname "$0")/prise_http.sh" off
