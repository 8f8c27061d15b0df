#!/bin/sh
# The logic stays standard C++: no Qt or POSIX header outside src/platform and the
# window's Qt realisation (*_qt.cpp, *_qt.h).
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
