#!/usr/bin/env bash
# Makes sure the Debian packages this project needs are installed.
# Usage: scripts/deps.sh run|test|package
# Installs what is missing with apt-get when it can (root, or sudo without a
# password); otherwise prints the one apt-get line to run and fails.
set -euo pipefail

build_pkgs=(build-essential cmake pkg-config qt6-base-dev qt6-svg-dev libgl-dev
            libturbojpeg0-dev libjpeg62-turbo-dev qt6-translations-l10n libuemf-dev)
test_pkgs=(xvfb xauth xdotool fonts-nanum libbenchmark-dev imagemagick
           clang-14 libclang-rt-14-dev libfuzzer-14-dev
           dbus dbus-bin libglib2.0-bin desktop-file-utils appstream dpkg-dev file
           libx11-dev libxext-dev libxtst-dev)

case "${1:-run}" in
  run)  wanted=("${build_pkgs[@]}") ;;
  test) wanted=("${build_pkgs[@]}" "${test_pkgs[@]}") ;;
  package) wanted=("${build_pkgs[@]}" dpkg-dev file desktop-file-utils appstream xvfb xauth xdotool) ;;
  *)    echo "usage: $0 run|test|package" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo_cmd=(sudo -n)
else
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them with:  sudo $line" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
