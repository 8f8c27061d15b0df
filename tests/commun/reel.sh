# Shared by the shell tests of the built program; sourced.
fautes=0
faute() {
    echo "FAIL: $*" >&2
    fautes=$((fautes + 1))
}
# Polls a command for up to 30 s.
attend() {
    n=0
    until "$@"; do
        n=$((n + 1))
        [ $n -lt 300 ] || return 1
        sleep 0.1
    done
}
