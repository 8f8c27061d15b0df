#!/bin/sh
# The example action scripts: each start and stop script runs its tool with the right
# arguments and passes its failure through; without its tool, it says so and fails.
# Stub tools on PATH record their arguments, one <argument> each.
set -eu
exemples=${1:?usage: exemples_test.sh ACTIONS_EXAMPLES_FOLDER}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fautes=0

faute() {
    echo "FAIL: $*" >&2
    fautes=$((fautes + 1))
}

mkdir "$tmp/outils" "$tmp/sans_outil" "$tmp/ex"
for outil in gpioset usbrelay mosquitto_pub curl; do
    cat >"$tmp/outils/$outil" <<'STUB'
#!/bin/sh
{ printf '%s' "${0##*/}"; for a; do printf ' <%s>' "$a"; done; echo; } >>"$TRACE"
exit "${CODE_OUTIL:-0}"
STUB
    chmod +x "$tmp/outils/$outil"
done
# A PATH with only what the scripts need besides their tool.
for o in sh dirname; do ln -s "$(command -v "$o")" "$tmp/sans_outil/$o"; done
cp -p "$exemples"/*.sh "$tmp/ex/"

for f in "$exemples"/*.sh; do
    [ "${f##*/}" = commun.sh ] && continue
    [ -x "$f" ] || faute "${f##*/} is not executable"
done

# lance SCRIPT [CODE]: runs SCRIPT with the stubs, the stub tool exiting with CODE.
lance() {
    : >"$tmp/trace"
    code=0
    TRACE="$tmp/trace" CODE_OUTIL="${2:-0}" PATH="$tmp/outils:/usr/bin:/bin" \
        "$tmp/ex/$1" >"$tmp/sortie" 2>"$tmp/erreurs" || code=$?
}

# verifie SCRIPT EXPECTED: the tool ran once, with EXPECTED, and the script succeeded.
verifie() {
    lance "$1"
    [ "$code" = 0 ] || faute "$1 exited with $code: $(cat "$tmp/erreurs")"
    [ "$(cat "$tmp/trace")" = "$2" ] || faute "$1 ran '$(cat "$tmp/trace")', expected '$2'"
}

verifie gpio_marche.sh "gpioset <gpiochip0> <17=1>"
verifie gpio_arret.sh "gpioset <gpiochip0> <17=0>"
verifie relais_usb_marche.sh "usbrelay <HURTM_1=1>"
verifie relais_usb_arret.sh "usbrelay <HURTM_1=0>"
verifie mqtt_marche.sh "mosquitto_pub <-h> <localhost> <-p> <1883> <-t> <maison/pompe/set> <-m> <ON>"
verifie mqtt_arret.sh "mosquitto_pub <-h> <localhost> <-p> <1883> <-t> <maison/pompe/set> <-m> <OFF>"
verifie prise_http_marche.sh "curl <-fsS> <-m> <10> <-o> </dev/null> <http://192.168.1.60/cm?cmnd=Power%20On>"
verifie prise_http_arret.sh "curl <-fsS> <-m> <10> <-o> </dev/null> <http://192.168.1.60/cm?cmnd=Power%20Off>"

# Settings with spaces and a login stay whole arguments.
sed -i -e 's/^MQTT_USER=.*/MQTT_USER=horlivet/' -e "s/^MQTT_PASSWORD=.*/MQTT_PASSWORD='mot de passe'/" \
    -e "s|^TOPIC=.*|TOPIC='maison/salle de bain'|" "$tmp/ex/mqtt.sh"
verifie mqtt_marche.sh "mosquitto_pub <-h> <localhost> <-p> <1883> <-t> <maison/salle de bain> <-m> <ON> <-u> <horlivet> <-P> <mot de passe>"
sed -i -e "s/^MQTT_PASSWORD=.*/MQTT_PASSWORD=/" "$tmp/ex/mqtt.sh"
verifie mqtt_arret.sh "mosquitto_pub <-h> <localhost> <-p> <1883> <-t> <maison/salle de bain> <-m> <OFF> <-u> <horlivet>"
sed -i -e 's/^ON_VALUE=1 /ON_VALUE=0 /' -e 's/^OFF_VALUE=0/OFF_VALUE=1/' "$tmp/ex/gpio.sh"
verifie gpio_marche.sh "gpioset <gpiochip0> <17=0>"

for paire in gpio:gpioset relais_usb:usbrelay mqtt:mosquitto_pub prise_http:curl; do
    appareil=${paire%%:*}
    outil=${paire#*:}
    for sorte in marche arret; do
        script=${appareil}_$sorte.sh
        # The tool's failure is the script's.
        lance "$script" 3
        [ "$code" = 3 ] || faute "$script exited with $code when $outil failed with 3"

        # No tool: a message naming it, and a failure, before anything runs.
        code=0
        PATH="$tmp/sans_outil" "$tmp/ex/$script" >"$tmp/sortie" 2>"$tmp/erreurs" || code=$?
        [ "$code" = 127 ] || faute "$script without $outil exited with $code, expected 127"
        grep -q "^$appareil.sh: $outil not found on PATH" "$tmp/erreurs" ||
            faute "$script without $outil said: $(cat "$tmp/erreurs")"
    done
    # A state other than on or off is refused.
    code=0
    PATH="$tmp/outils:/usr/bin:/bin" TRACE="$tmp/trace" "$tmp/ex/$appareil.sh" allume \
        2>"$tmp/erreurs" || code=$?
    [ "$code" = 2 ] || faute "$appareil.sh allume exited with $code, expected 2"
    grep -q "usage: $appareil.sh on|off" "$tmp/erreurs" || faute "$appareil.sh allume: no usage"
done

[ "$fautes" = 0 ] || exit 1
echo "example action scripts: all checks passed"
