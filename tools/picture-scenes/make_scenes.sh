#!/bin/sh
# Rewrites tests/picture/data/scene.emf and scene.wmf with make_scenes.cpp
# (needs libuemf-dev and Qt 6 Core). Run from anywhere; commit the output.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../tests/picture/data}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
c++ -std=c++20 -fPIC -Wall -Wextra -o "$tmp/make_scenes" "$here/make_scenes.cpp" \
    $(pkg-config --cflags --libs Qt6Core) -luemf
"$tmp/make_scenes" "$out"
