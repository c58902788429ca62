#!/bin/sh
# Prints the project's version, as set on the project() line of the top
# CMakeLists.txt (the one place it is set), for the scripts that name the
# package or check what the programs answer.
set -e
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(QUORVALINE VERSION \([0-9][0-9.]*\)[ )].*/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
    echo "version.sh: no 'project(QUORVALINE VERSION x.y.z ...)' line in CMakeLists.txt" >&2
    exit 1
fi
echo "$version"
