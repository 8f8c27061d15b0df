# What the device scripts of this folder share. They source it; it is not run alone.

# Prints its arguments on standard error, after the script's name.
dit() {
    printf '%s: %s\n' "${0##*/}" "$*" >&2
}

# exige_etat STATE: ends the script with code 2 unless STATE is on or off.
exige_etat() {
    case ${1:-} in
        on | off) return 0 ;;
    esac
    dit "usage: ${0##*/} on|off"
    exit 2
}

# exige_outil TOOL PACKAGE: ends the script with code 127 when TOOL is not on PATH.
exige_outil() {
    command -v "$1" >/dev/null 2>&1 && return 0
    dit "$1 not found on PATH; install it (Debian package $2)"
    exit 127
}
