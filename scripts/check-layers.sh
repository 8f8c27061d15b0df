#!/bin/sh
# The layers, checked both ways. The logic stays standard C++: no Qt or POSIX header
# outside src/platform and the window's Qt realisation (*_qt.cpp, *_qt.h), and no
# adapter of src/platform included by it; the logic declares the seams in src/model and
# the adapters implement them, including nothing of the logic above the model. Arrows
# point down: plan and window -> settings and scheduler -> model.
set -eu
cd "$(dirname "$0")/.."
fautes=$(grep -nE '#include <(Q[A-Za-z]+|unistd\.h|fcntl\.h|spawn\.h|sys/[a-z]+\.h|time\.h)>' \
    src/model src/settings src/scheduler src/window src/plan -r --include='*.h' --include='*.cpp' |
    grep -vE '_qt\.(cpp|h):' || true)
if [ -n "$fautes" ]; then
    echo "Qt or POSIX headers in the logic:" >&2
    echo "$fautes" >&2
    exit 1
fi

# Each folder with what it may include from src: folders, or single files.
statut=0
verifie() {
    dossier=$1
    shift
    permis="$dossier/"
    for p in "$@"; do
        case $p in
            *.h) permis="$permis|$(echo "$p" | sed 's/\./\\./g')\"" ;;
            *) permis="$permis|$p/" ;;
        esac
    done
    fautes=$(grep -nE '#include "[a-z]+/' -r "src/$dossier" --include='*.h' --include='*.cpp' |
        grep -vE "#include \"($permis)" || true)
    if [ -n "$fautes" ]; then
        echo "src/$dossier includes from a layer above it or beside it:" >&2
        echo "$fautes" >&2
        statut=1
    fi
}
verifie model
verifie platform model
verifie scheduler model
verifie settings model platform/profil.h
# The window's Qt realisation brings the ending signals into its event loop.
verifie window model settings scheduler platform/signaux_qt.h
verifie plan model settings scheduler window
exit $statut
