#!/bin/sh
# Publishes the device's state to an MQTT topic with mosquitto_pub: mqtt.sh on|off.
# mqtt_marche.sh and mqtt_arret.sh run it; set the broker and topic here.

HOST=localhost
PORT=1883
TOPIC=maison/pompe/set
ON_PAYLOAD=ON
OFF_PAYLOAD=OFF
MQTT_USER=     # empty: no login
MQTT_PASSWORD= # shown to local users by ps while it runs; prefer a broker ACL by host

set -eu
. "$(dirname "$0")/commun.sh"
exige_etat "${1:-}"
exige_outil mosquitto_pub mosquitto-clients
message=$OFF_PAYLOAD
[ "$1" = on ] && message=$ON_PAYLOAD
set -- -h "$HOST" -p "$PORT" -t "$TOPIC" -m "$message"
if [ -n "$MQTT_USER" ]; then
    set -- "$@" -u "$MQTT_USER"
    [ -z "$MQTT_PASSWORD" ] || set -- "$@" -P "$MQTT_PASSWORD"
fi
exec mosquitto_pub "$@"
