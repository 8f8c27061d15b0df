# Shared by the shell tests of the built program; sourced.
# Their two arguments, and a folder of their own (removed by their exit trap).
usage="usage: ${0##*/} BUILD_FOLDER LIBFAKETIME"
build=${1:?$usage}
faketime=${2:?$usage}
tmp=$(mktemp -d)
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
# On exit: kills the programs given, removes the shared memory libfaketime kept for the
# processes in $pids, then the test's folder $tmp.
nettoie() {
    for q in "$@"; do kill -9 "$q" 2>/dev/null || true; done
    for q in ${pids:-}; do rm -f /dev/shm/*faketime_*_"$q"; done
    rm -rf "$tmp"
}
