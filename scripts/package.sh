#!/usr/bin/env bash
# Builds the Debian package in build-pkg/ and checks it: the desktop entry and
# the AppStream metainfo validate, the package holds every file the desktop
# needs, it declares what the program links, and (as root) it installs with
# apt, the program starts from the desktop entry's command under Xvfb, and it
# is removed again with whatever the install brought in.
# Usage: scripts/package.sh
set -euo pipefail

app_id=org.tavro.PenWriter
package=tavro-pen-writer
window_title='^Tavro Pen Writer$'

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Inside Xvfb: starts the program with the desktop entry's command, waits for
# its window and makes sure nothing else (an error report) came up with it.
if [ "${1:-}" = "--start-check" ]; then
  command_line=$2
  log=$3
  # What a desktop session would give it: the default platform, no overrides.
  unset QT_QPA_PLATFORM QT_PLUGIN_PATH LD_LIBRARY_PATH QT_QPA_PLATFORMTHEME
  scratch=$(mktemp -d)
  # The entry's command has no field codes or quoting, so word splitting is exact.
  # shellcheck disable=SC2086
  (cd "$scratch" && exec $command_line) >"$log" 2>&1 &
  pid=$!
  trap 'kill -KILL $pid 2>/dev/null || true; rm -rf "$scratch"' EXIT
  window=""
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared: $(cat "$log")"
    window=$(xdotool search --onlyvisible --name "$window_title" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no window appeared within 30 s: $(cat "$log")"
  # The main window is 621 x 488 inside its 3-pixel frame; a message box is not.
  geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
  [ "$geometry" = "627x494" ] || fail "the first window is ${geometry}, not the main window: $(cat "$log")"
  count=$(xdotool search --onlyvisible --name "$window_title" | wc -l)
  [ "$count" -eq 1 ] || fail "$count windows of the program are open (an error report?): $(cat "$log")"
  kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$log")"
  echo "the window came up ($geometry), alone; closing it"
  kill -TERM "$pid"
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || exit 0
    sleep 0.1
  done
  fail "the program did not end on SIGTERM"
fi

start_time=$SECONDS
cd "$(dirname "$0")/.."
build=$PWD/build-pkg

scripts/deps.sh package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTAVRO_BUILD_TESTS=OFF -DTAVRO_BUILD_BENCH=OFF -DTAVRO_BUILD_FUZZ=OFF -DTAVRO_SANITIZE= >/dev/null
cmake --build "$build" -j"$(nproc)"

echo "== staged install and validation"
stage=$build/stage
rm -rf "$stage"
DESTDIR=$stage cmake --install "$build" >/dev/null
desktop_file=$stage/usr/share/applications/$app_id.desktop
metainfo=$stage/usr/share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop_file"
echo "desktop-file-validate: no findings"
# The screenshot's address has no host yet, so the check runs without network.
appstreamcli validate --no-net "$metainfo"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
release=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n1 | cut -d'"' -f2)
[ "$release" = "$version" ] || fail "the metainfo's newest release is $release, the project is $version"

echo "== package"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/*.deb)
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -I "$deb"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
exec_word=$(sed -n 's/^Exec=//p' "$desktop_file" | head -n1 | awk '{print $1}')
icon=$(sed -n 's/^Icon=//p' "$desktop_file" | head -n1)
for path in \
    "./usr/bin/$exec_word" \
    ./usr/lib/tavro-pen-writer/libJPGUtils.so \
    "./usr/share/applications/$app_id.desktop" \
    "./usr/share/icons/hicolor/16x16/apps/$icon.png" \
    "./usr/share/icons/hicolor/32x32/apps/$icon.png" \
    "./usr/share/icons/hicolor/scalable/apps/$icon.svg" \
    "./usr/share/metainfo/$app_id.metainfo.xml"; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
echo "contents: program, converter, desktop entry, 3 icons, metainfo"

# Every library an executable or the converter links must come from a declared
# dependency, and so must the plugins Qt loads at run time without a link.
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
# Whether a package name stands in a Depends-style list (alternatives count).
declared() { sed 's/(.*//; s/^ *//; s/ *$//' <<<"${2//[,|]/$'\n'}" | grep -qxF -- "$1"; }
# The package holding a file; /lib paths are registered under /usr/lib too.
owner() {
  local path out
  for path in "$1" "$(realpath -m -- "$1")"; do
    out=$(dpkg -S "$path" 2>/dev/null) || continue
    echo "${out%%:*}"
    return 0
  done
  return 1
}
unpacked=$build/unpacked
rm -rf "$unpacked"
dpkg-deb -x "$deb" "$unpacked"
while IFS= read -r elf; do
  for soname in $(readelf -d "$elf" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    resolved=$(ldd "$elf" | awk -v so="$soname" '$1 == so {print $3}')
    if [ -z "$resolved" ] || [ "$resolved" = "not" ]; then
      fail "$(basename "$elf") needs $soname, which is not found"
    fi
    pkg=$(owner "$resolved") || fail "no package owns $resolved"
    declared "$pkg" "$depends" || fail "$(basename "$elf") links $soname from $pkg, which Depends lacks"
  done
done < <(find "$unpacked" -type f -exec sh -c 'file -b "$1" | grep -q "^ELF"' _ {} \; -print)
for plugin in platforms/libqxcb.so imageformats/libqjpeg.so imageformats/libqgif.so; do
  pkg=$(owner "*/qt6/plugins/$plugin") || fail "no installed package holds the Qt plugin $plugin"
  declared "$pkg" "$depends" || fail "the Qt plugin $plugin comes from $pkg, which Depends lacks"
done
declared fonts-nanum "$recommends" || fail "no Hangul font is recommended"
echo "dependencies: every linked library and Qt plugin comes from a declared package"

if [ "$(id -u)" -ne 0 ]; then
  echo "not root: skipped installing the package and starting the program"
  echo "package.sh: done in $((SECONDS - start_time)) s"
  exit 0
fi

echo "== install, start from the desktop entry, remove"
installed() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" {print $2}' | sort; }
before=$(installed)
# Leave the machine as it was, whatever happens below.
cleanup() {
  local added
  added=$(comm -13 <(echo "$before") <(installed) | grep -vx "$package" || true)
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "$package" $added >/dev/null 2>&1 || true
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$build/apt.log" 2>&1 \
  || { cat "$build/apt.log"; fail "apt-get could not install $deb"; }
echo "apt-get installed: $(comm -13 <(echo "$before") <(installed) | tr '\n' ' ')"
installed_desktop=/usr/share/applications/$app_id.desktop
command_line=$(sed -n 's/^Exec=//p' "$installed_desktop" | head -n1 | sed 's/ *%[fFuUdDnNickvm]//g')
program=$(command -v "${command_line%% *}") || fail "'$command_line' is not on the PATH"
program=$(readlink -f "$program")
[ "$program" = /usr/bin/tavro-pen-writer ] || fail "'$command_line' runs $program"
converter=$(dirname "$program")/../lib/tavro-pen-writer/libJPGUtils.so
[ -f "$converter" ] || fail "no converter where the program looks: $converter"
converter=$(realpath "$converter")
! ldd "$converter" | grep -q 'not found' || fail "the converter misses a library: $(ldd "$converter")"
log=$(mktemp)
xvfb-run -a -s "-screen 0 1024x768x24" "$PWD/scripts/package.sh" --start-check "$command_line" "$log" \
  || { rm -f "$log"; fail "the installed program did not start from '$command_line'"; }
rm -f "$log"
cleanup
trap - EXIT
installed | grep -qx "$package" && fail "the package is still installed"
[ "$(installed)" = "$before" ] || fail "the machine's packages differ from before the install"
echo "installed, started from '$command_line' with the converter at $converter, removed"
echo "package.sh: done in $((SECONDS - start_time)) s"
