#!/usr/bin/env bash
# A sample of small realistic faults, each applied alone to a copy of the
# committed tree, rebuilt and tested with the tests beside it: a fault the
# tests pass with is a "survived" row, a gap in the suite.
#
# Usage: scripts/mutation-sample.sh [--list | --check | [-r REV] [-k] [NAME-REGEX]]
#   -r REV   the commit to test (default HEAD; the working tree is never used)
#   -k       keep going from the copy already built, without refreshing it
#   NAME-REGEX  only the faults whose names match (grep -E)
#   --list   the faults; --check: which no longer apply to the working tree
# The copy and its build live in build-mutation/ (MUTATION_DIR to move it);
# builds go through ccache and only the targets a fault needs are built.
# Results: a table on stdout and build-mutation/result.tsv.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rev=HEAD
refresh=1
mode=run
case "${1:-}" in --list | --check) mode=${1#--}; shift ;; esac
while getopts "r:k" opt; do
  case $opt in
    r) rev=$OPTARG ;;
    k) refresh=0 ;;
    *) sed -n 2,12p "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
only=${1:-.}
work=${MUTATION_DIR:-$root/build-mutation}
src=$work/src
build=$src/build   # the same layout as a checkout's build/, so ccache shares objects
jobs=${MUTATION_JOBS:-2}

# Tests and targets by area.
INK_MODEL="tst_ink_storage tst_ink_geometry"
APP_INK="tst_stretch_cut tst_erasers tst_pens_and_modes tst_paper_input"
COLLECT="tst_ink_collector tst_ink_collector_drawing tst_paper_input tst_pens_and_modes"
SAVE="tst_save_page tst_save_reentry tst_jpgutils"
PICTURE="tst_picture_raster tst_picture_metafile tst_picture_metafile_damage tst_background_picture"
DIALOGS="tst_dialogs tst_save_page tst_background_picture"
WINDOW="tst_window tst_automation"
MODES="tst_pens_and_modes tst_paper_input tst_erasers tst_automation"
ARTWORK="tst_artwork tst_window"
EXIT="tst_window"
REPORT="tst_window"

names=() files=() seds=() tests=() whats=()
# fault NAME FILE SED-SCRIPT "TESTS..." WHAT
# MUTATION_EXTRA_TESTS adds tests to every fault's (to ask what another test catches).
fault() { names+=("$1"); files+=("$2"); seds+=("$3"); tests+=("$4 ${MUTATION_EXTRA_TESTS:-}"); whats+=("$5"); }

# --- the ink model and its geometry
fault bounds-min-right platform/ink/ink_geometry.cpp \
  's/r.Right = std::max(r.Right, p.x)/r.Right = std::min(r.Right, p.x)/' "$INK_MODEL $APP_INK" \
  "a stroke's bounds take the least x as their right"
fault bounds-last-left-out platform/ink/ink_geometry.cpp \
  's/for (size_t i = first + 1; i <= last; ++i)/for (size_t i = first + 1; i < last; ++i)/' "$INK_MODEL $APP_INK" \
  "a chunk's bounds leave out its last packet"
fault grown-floor platform/ink/ink_geometry.cpp \
  's/const double m = std::ceil(std::max(margin, 0.0));/const double m = std::floor(std::max(margin, 0.0));/' \
  "$INK_MODEL $APP_INK" "drawn bounds grow by the half width rounded down"
fault united-bottom-min platform/ink/ink_geometry.cpp \
  's/std::max(a.Bottom, b.Bottom)/std::min(a.Bottom, b.Bottom)/' "$INK_MODEL $APP_INK" \
  "the union of two areas keeps the upper bottom"
fault lerp-ceil platform/ink/ink_geometry.cpp \
  's/const double step = std::floor(/const double step = std::ceil(/' "$INK_MODEL $APP_INK" \
  "a point between packets rounds up"
fault chunk-short platform/ink/ink_geometry.cpp \
  's/std::min(first + kChunkSegments, pointCount - 1)/std::min(first + kChunkSegments, pointCount - 2)/' \
  "$INK_MODEL $APP_INK" "the last chunk leaves out the last segment"
fault nearest-unnormalised platform/ink/ink_geometry.cpp \
  's|dist2 = cross \* cross / static_cast<long double>(len2);|dist2 = cross * cross;|' "$INK_MODEL $APP_INK" \
  "the distance to a segment's inside is not divided by its length"
fault hit-width-constant platform/ink/ink_geometry.cpp \
  's/const double pressure = p0.pressure + t \* (static_cast<double>(p1.pressure) - p0.pressure);/const double pressure = p0.pressure;/' \
  "$INK_MODEL $APP_INK" "the hit test takes the width at a segment's start all along it"
fault order-keys-not-renumbered platform/ink/ink_store.cpp \
  's/ || nextKey() - before.orderKey < 2//' "$INK_MODEL $APP_INK" \
  "the ink's order keys are not renumbered when splits crowd them"
fault split-drops-cut-point platform/ink/ink_stroke_geometry.cpp \
  's/const bool between = f > static_cast<double>(k);/const bool between = false;/' "$INK_MODEL $APP_INK" \
  "the first piece of a split ends short of the cut"
fault split-skips-packet platform/ink/ink_stroke_geometry.cpp \
  's/rec.packets.begin() + static_cast<std::ptrdiff_t>(k + 1)/rec.packets.begin() + static_cast<std::ptrdiff_t>(k + 2)/' \
  "$INK_MODEL $APP_INK" "the second piece of a split loses a packet"
fault split-refuses-last platform/ink/ink_stroke_geometry.cpp \
  's/static_cast<double>(index) > last)/static_cast<double>(index) >= last)/' "$INK_MODEL $APP_INK" \
  "a split at the last point is refused"
fault points-past-end platform/ink/ink_model.cpp \
  's/else if (index + wanted > n)/else if (index + wanted > n + 1)/' "$INK_MODEL" \
  "GetPoints reads one point past the stroke"
fault hit-edge-exclusive platform/ink/ink_queries.cpp \
  's/edgeDistance(rec.points(), rec.attributes)) <= radius)/edgeDistance(rec.points(), rec.attributes)) < radius)/' \
  "$INK_MODEL $APP_INK" "the hit test misses a stroke exactly at the radius"
# --- the spatial grid
fault grid-right-inclusive platform/ink/spatial_grid.cpp \
  's/if (box.Right >= cellLeft + kCellSize)/if (box.Right > cellLeft + kCellSize)/' "$INK_MODEL $APP_INK" \
  "a box ending on a cell's last column is not marked as going on"
fault grid-bottom-inclusive platform/ink/spatial_grid.cpp \
  's/if (box.Bottom >= cellTop + kCellSize)/if (box.Bottom > cellTop + kCellSize)/' "$INK_MODEL $APP_INK" \
  "a box ending on a cell's last row is not marked as going on"
fault grid-oversized-kept platform/ink/spatial_grid.cpp \
  's/^    if (oversized)$/    if (false)/' "$INK_MODEL $APP_INK" \
  "a removed oversized box stays in the grid"
fault grid-reports-twice platform/ink/spatial_grid.h \
  's/ || (areaGoesUp \&\& (e.top \& kGoesOn))//' "$INK_MODEL $APP_INK" \
  "a box spanning cells vertically is reported once per cell"
fault grid-oversized-edge platform/ink/spatial_grid.h \
  's/if (e.box.Left <= area.Right \&\& /if (e.box.Left < area.Right \&\& /' "$INK_MODEL $APP_INK" \
  "an oversized box touching the area's right edge is missed"
# --- the stretch cut and the erasers
fault stretch-lower-not-rescaled app/ink/stretch_cut.cpp \
  's|lowerIndex = segment + (lowerIndex - segment) / (upperIndex - segment);|;|' "$APP_INK" \
  "a lower boundary on the segment just cut is not moved"
fault stretch-tail-deleted app/ink/stretch_cut.cpp \
  's/if (upper < boundaries.size() - 1) {/if (upper < boundaries.size() - 2) {/' "$APP_INK" \
  "the last-but-one stretch takes the last one with it"
fault cusp-lower-strict app/ink/stretch_cut.cpp \
  's/if (static_cast<double>(cusps\[k\]) <= static_cast<double>(f))/if (static_cast<double>(cusps[k]) < static_cast<double>(f))/' \
  "$APP_INK" "a press exactly on a cusp picks the stretch before it"
fault crossing-lower-off-by-one app/ink/stretch_cut.cpp \
  's/            return j + 1;/            return j;/' "$APP_INK" "the intersection eraser cuts the stretch before"
# (Cutting a stroke without inner cusps, or ending the last stretch a point
# early, changes nothing: its one stretch is all of it, and the last
# boundary is never read. Those faults were replaced by these.)
fault cusp-one-inner-cusp-whole app/ink/cusp_erase.cpp \
  's/if (cusps.size() <= 2) {/if (cusps.size() <= 3) {/' "$APP_INK" \
  "a stroke with one inner cusp is deleted whole"
fault crossing-one-whole app/ink/intersection_erase.cpp \
  's/if (crossings.empty()) {/if (crossings.size() <= 1) {/' "$APP_INK" \
  "a stroke with one crossing is deleted whole"
fault eraser-path-forgotten app/ink/stroke_erase.cpp \
  's/if (id == m_eraserStrokeId)/if (id != m_eraserStrokeId)/' "$APP_INK" \
  "the stroke eraser forgets its path between moves"
fault eraser-reach-one-width app/ink/eraser_reach.cpp \
  's/drawnWidthAt(p1.pressure)/drawnWidthAt(p0.pressure)/' "$APP_INK" \
  "the eraser's reach ignores a width change along a segment"
fault eraser-bounds-no-width app/ink/eraser_reach.cpp \
  's|const double reach = radius + attributes.maxDrawnWidth() / 2.0 + 1.0;|const double reach = radius + 1.0;|' \
  "$APP_INK" "the eraser path's quick bounds test forgets the pen width"
# --- the collector's input
fault release-pressure-of-release platform/ink/ink_collector_input.cpp \
  's/finish(packetAt(tipPixel(event, window), m_active->last.pressure));/finish(packetAt(tipPixel(event, window), pressureOf(event)));/' \
  "$COLLECT" "the pen's release takes the release event's pressure"
fault second-tablet-press platform/ink/ink_collector_input.cpp \
  's/^        if (m_active) {$/        if (ours) {/' "$COLLECT" \
  "a second tablet press during a stroke starts another stroke"
fault input-rect-inclusive platform/ink/ink_collector_input.cpp \
  's/position.x() < r.Right + 1.0/position.x() <= r.Right + 1.0/' "$COLLECT" \
  "a press just past the input rectangle's right edge draws"
fault pen-mouse-draws platform/ink/ink_collector_input.cpp \
  '/^bool madeFromPen/,/^}/s/return true;/return false;/' "$COLLECT" \
  "the tablet's own mouse events draw a second stroke"
fault pressure-unclamped platform/ink/ink_collector_input.cpp \
  's/std::clamp(event->pressure(), 0.0, 1.0)/event->pressure()/' "$COLLECT" \
  "a pressure above 1 is taken as it comes"
fault release-packet-doubled platform/ink/ink_collector_input.cpp \
  's/if ((packet.x != last.x || packet.y != last.y) \&\& !add(packet))/if (!add(packet))/' "$COLLECT" \
  "the release adds a packet where the last one was"
fault cancel-inverted platform/ink/ink_collector_input.cpp \
  's/^        if (cancel)$/        if (!cancel)/' "$COLLECT" "a cancelled stroke is kept and a kept one dropped"
fault mouse-any-button-draws platform/ink/ink_collector_input.cpp \
  '/Impl::mouseEvent/,/^}/s/event->button() != Qt::LeftButton || //' "$COLLECT" \
  "any mouse button starts a stroke"
fault last-packet-not-kept platform/ink/ink_collector_input.cpp \
  's/^    m_active->last = packet;$/    (void)0;/' "$COLLECT" "the collector forgets the last packet"
# --- the window
fault any-button-drags app/shell/form_drag.cpp \
  's/m_state = buttonState == 1 ? State::Armed/m_state = buttonState != 0 ? State::Armed/' "$WINDOW" \
  "any mouse button drags the window"
fault middle-reads-as-left app/shell/controls.cpp \
  '0,/state |= 4;/s//state |= 1;/' "$WINDOW" "the middle button reads as the left one"
fault eraser-cursor-is-pen app/ink/application_modes.cpp \
  's/myInkCollector->SetMouseIcon(picPen4->mouseIcon());/myInkCollector->SetMouseIcon(picPen1->mouseIcon());/' \
  "$MODES" "the erase modes show the thin pen's cursor"
fault pen-cursor-swapped app/ink/application_modes.cpp \
  's/pen == 2 ? picPen2 : picPen1/pen == 2 ? picPen1 : picPen2/' "$MODES" \
  "the ink mode shows the thin pen's cursor for the middle pen"
fault erase-mode-collects app/ink/application_modes.cpp \
  's/myInkCollector->SetEnabled(newMode == InkSettings::kModeInk);/myInkCollector->SetEnabled(true);/' "$MODES" \
  "the collector keeps drawing in the erase modes"
fault mode-keeps-data-present app/ink/application_modes.cpp \
  's/^    DataPresent = InkSettings::kNoData;/    ;/' "$MODES" "a mode change leaves the page marked as drawn on"
fault width-resets-mode app/ink/pen_attributes.cpp \
  's/^    myInkCollector->DefaultDrawingAttributes().SetWidth(static_cast<float>(p_Width));/&\n    Ink();/' \
  "$MODES" "setting the width alone goes back to ink mode"
fault swatch-colour-off app/shell/layout.cpp \
  's/0x0000C0},  \/\/  7/0x0000C1},  \/\/  7/' "$ARTWORK" "a swatch sets a colour other than the one painted"
fault eraser-hot-spot-of-pen app/shell/artwork.cpp \
  's/case CursorKind::EraserButton: return QPoint(4, 27);/case CursorKind::EraserButton: return QPoint(1, 30);/' \
  "$ARTWORK" "the eraser cursors take the pens' hot spot"
fault hot-spot-unscaled-on-x11 app/shell/artwork.cpp \
  's/if (platformName != u"xcb")/if (true)/' "$ARTWORK" "X11 gets the hot spot unscaled on a HiDPI screen"
fault icon-one-size app/shell/artwork.cpp \
  's/return {QSize(16, 16), QSize(32, 32)};/return {QSize(32, 32)};/' "$ARTWORK" "the icon offers one size"
fault artwork-size-floor app/shell/artwork.cpp \
  's/static_cast<int>(std::ceil(target.height() - 1e-6))/static_cast<int>(target.height())/' "$ARTWORK" \
  "a picture at a fractional ratio is a pixel short of its box"
fault delay-exit-under-wait app/shell/exit.cpp \
  's/ || m_delayDepth > 0)/)/' "$EXIT" "an exit during a Delay ends the program under the wait"
fault delay-skips-first-pass app/shell/delay.cpp \
  's/^    QCoreApplication::processEvents(QEventLoop::AllEvents);/    ;/' "$EXIT" \
  "a Delay of nothing lets no pending event run"
fault report-busy-stuck app/shell/application.cpp \
  's/^    m_reportBusy = false;/    ;/' "$REPORT" "after one error report no other is ever shown"
fault delay-depth-flag app/shell/delay.cpp \
  's/{ ++form.m_delayDepth; }/{ form.m_delayDepth = 1; }/' "$EXIT" \
  "a nested Delay's end counts as the end of every wait"
fault exit-under-box app/shell/exit.cpp \
  's/^    if (QApplication::activeModalWidget()) {/    if (false) {/' "$EXIT" \
  "the program ends under a box shown after the wait"
# --- the save and its file naming
fault name-three-digits app/output/page_files.cpp \
  's/rightJustified(2, /rightJustified(3, /' "$SAVE" "the default name has three digits"
fault jpeg-name-not-kept app/output/page_files.cpp \
  's/|| chosenName.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive))/|| false)/' "$SAVE" \
  "a chosen .jpeg name is overwritten by the bitmap"
fault jpg-case-sensitive app/output/page_files.cpp \
  '0,/Qt::CaseInsensitive/s//Qt::CaseSensitive/' "$SAVE" "a chosen .JPG name is taken for the bitmap's"
fault bitmap-not-committed app/output/page_files.cpp \
  's/^    if (!ok) {$/    if (false) {/' "$SAVE" "a bitmap that failed to be written is taken and the save goes on"
fault convert-failure-swallowed app/output/save_page.cpp \
  's/^        converter->convert(bitmap.path());/        try { converter->convert(bitmap.path()); } catch (const PlatformError\&) {}/' \
  "$SAVE" "a failed conversion is reported as a save"
fault cancel-writes app/output/save_page.cpp \
  's/^        if (chosen.isEmpty())$/        if (false)/' "$SAVE" "a cancelled dialog still writes"
fault jpeg-path-same-as-bitmap platform/jpgutils/jpg_name.h \
  's/    if (jpegPath == bitmapPath)/    if (false)/' "$SAVE" "a bitmap named .jpg is converted over itself"
fault bmp-suffix-short platform/jpgutils/jpg_name.h \
  's/stem.remove_suffix(4);/stem.remove_suffix(3);/' "$SAVE" "the .bmp suffix is cut one letter short"
# --- the converter
fault empty-jpeg-accepted app/output/jpeg_converter.cpp \
  's/if (!jpeg.isFile() || jpeg.size() == 0)/if (!jpeg.isFile())/' "$SAVE" \
  "an empty JPEG counts as a conversion"
fault relative-converter-folder app/output/jpeg_converter.cpp \
  's/if (m_folder.isEmpty() || !QDir::isAbsolutePath(m_folder))/if (m_folder.isEmpty())/' "$SAVE" \
  "the converter is loaded from a relative folder"
fault quality-zero-accepted platform/jpgutils/jpgutils.cpp \
  's/ || quality < kMinQuality//' "$SAVE" "a quality of 0 is accepted"
fault temp-left-behind platform/jpgutils/atomic_write.cpp \
  's/^        removeIfSame(folder.get(), tempName.c_str(), temp);/        ;/' "$SAVE" "a failed write leaves its temporary file"
fault bmp-pixels-past-end platform/jpgutils/bmp_header.cpp \
  's/ || pixelBytes > fileSize - pixelOffset//' "$SAVE" "a bitmap shorter than its pixels is read"
fault bmp-rows-unpadded platform/jpgutils/bmp_header.cpp \
  's|const uint64_t stride = (rowBits + 31) / 32 \* 4;|const uint64_t stride = (rowBits + 7) / 8;|' "$SAVE" \
  "bitmap rows are read without their padding"
fault bmp-palette-past-data platform/jpgutils/bmp_header.cpp \
  's|entries = std::min<uint64_t>(entries, (paletteEnd - headersEnd) / paletteEntrySize);|;|' "$SAVE" \
  "a palette longer than the header room is read"
# --- the picture loaders' bounds
fault rle-padding-dropped platform/picture/raster_integrity.cpp \
  's/^        bytes += bytes \& 1;/        ;/' "$PICTURE" "the padding of run-length absolute runs is dropped"
fault rle-delta-unread platform/picture/raster_integrity.cpp \
  's|^            pos += 2;  // delta|            ;|' "$PICTURE" "a run-length delta's two bytes are not skipped"
fault gif-block-unchecked platform/picture/raster_integrity.cpp \
  's/^        r.require(pos, size);/        if (!r.fits(pos, size)) return;/' "$PICTURE" \
  "a GIF sub-block past the file's end is taken for the frame's end"
fault gif-palette-half platform/picture/raster_integrity.cpp \
  's/pos += 3u << ((screenFlags \& 7) + 1);/pos += 3u << (screenFlags \& 7);/' "$PICTURE" \
  "a GIF's global colour table is taken at half its size"
fault picture-size-limit-x4 platform/picture/picture_loader.cpp \
  's|return width \* height <= kMaxDecodedPictureBytes / 4;|return width * height <= kMaxDecodedPictureBytes;|' \
  "$PICTURE" "the decoded size limit forgets four bytes a pixel"
fault poly-counts-unbounded platform/picture/metafile_records.cpp \
  's/if (count > total - used)/if (count > total)/' "$PICTURE" \
  "polygon counts may add up past the point count"
fault xform-unbounded platform/picture/metafile_records.cpp \
  's/!std::isfinite(m\[i\]) || std::abs(m\[i\]) > 1e9/!std::isfinite(m[i])/' "$PICTURE" \
  "a huge world transform is accepted"
fault wmf-text-unpadded platform/picture/wmf_player.cpp \
  's/const uint64_t padded = (uint64_t(length) + 1) \& ~uint64_t(1);/const uint64_t padded = length;/' \
  "$PICTURE" "a WMF text's padding byte is not skipped"
fault wmf-exclude-clip-ignored platform/picture/wmf_player.cpp \
  's/case ExcludeClipRect: dc.excludeClipRect(brtl(r, P)); break;/case ExcludeClipRect: break;/' "$PICTURE" \
  "WMF ExcludeClipRect is ignored"
fault metafile-background-white platform/picture/gdi_device.cpp \
  's/canvas.fill(Qt::transparent);/canvas.fill(Qt::white);/' "$PICTURE" \
  "a metafile background is filled white"
# --- the dialog filter
fault filter-trailing-bar platform/dialogs/common_dialog.cpp \
  "s/    if (text.endsWith(QLatin1Char('|')))/    if (false)/" "$DIALOGS" \
  "a filter's trailing bar is taken for an empty pair"
fault filter-untrimmed platform/dialogs/common_dialog.cpp \
  's/const QString trimmed = pattern.trimmed();/const QString trimmed = pattern;/' "$DIALOGS" \
  "filter patterns keep their spaces"
fault filter-no-description platform/dialogs/common_dialog.cpp \
  's/        if (entry.description.isEmpty())/        if (false)/' "$DIALOGS" \
  "a filter without a description is accepted"
fault max-file-size-inclusive platform/dialogs/common_dialog.cpp \
  's/return nativeName.size() < qsizetype(maxFileSize);/return nativeName.size() <= qsizetype(maxFileSize);/' \
  "$DIALOGS" "a name of MaxFileSize characters fits"
fault must-exist-ignored platform/dialogs/common_dialog.cpp \
  's/if ((flags \& CommonDialogFlags::FileMustExist)/if ((false)/' "$DIALOGS" \
  "FileMustExist lets a missing file through"

list() { for i in "${!names[@]}"; do printf '%s\t%s\n' "${names[$i]}" "${whats[$i]}"; done; }
if [ "$mode" = list ]; then list; exit 0; fi
if [ "$mode" = check ]; then  # does each fault still apply to the working tree?
  bad=0
  for i in "${!names[@]}"; do
    if sed -e "${seds[$i]}" "${files[$i]}" | cmp -s - "${files[$i]}"; then
      echo "does not apply: ${names[$i]}"; bad=1
    fi
  done
  exit $bad
fi

mkdir -p "$work"
commit=$(git rev-parse --short "$rev") || exit 2
if [ "$refresh" = 1 ] || [ ! -d "$src" ]; then
  # A fresh copy of the commit; files unchanged since the last run keep their
  # times, so the build stays incremental.
  tmp=$work/incoming
  rm -rf "$tmp" && mkdir -p "$tmp"
  git archive "$rev" | tar -x -C "$tmp"
  mkdir -p "$src"
  (cd "$tmp" && find . -type f) | while read -r f; do
    cmp -s "$tmp/$f" "$src/$f" || { mkdir -p "$(dirname "$src/$f")" && cp "$tmp/$f" "$src/$f"; }
  done
  (cd "$src" && find . -path ./build -prune -o -type f -print) | while read -r f; do
    [ -e "$tmp/$f" ] || rm -f "$src/$f"
  done
  rm -rf "$tmp"
fi
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRO_BUILD_BENCH=OFF \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >"$work/cmake.log" 2>&1 \
  || { echo "configure failed: $work/cmake.log" >&2; exit 2; }

targets_of() {  # test names -> the build targets they need
  local t out=()
  for t in $1; do
    case $t in
      tst_automation) out+=(tst_automation) ;;
      tst_jpgutils) out+=(tst_jpgutils JPGUtils) ;;
      *) out+=("$t") ;;
    esac
  done
  echo "${out[@]}"
}
regex_of() { local r; r=$(echo $1 | tr ' ' '\n' | sort -u | paste -sd'|'); echo "^($r)\$"; }
build_targets() { nice cmake --build "$build" -j"$jobs" --target $(targets_of "$1") >>"$work/build.log" 2>&1; }
run_tests() {  # prints the failing tests; status 0 when all pass
  local log=$work/ctest.log
  (cd "$build" && QT_QPA_PLATFORM=offscreen nice ctest -R "$(regex_of "$1")" -j"$jobs" --timeout 120 >"$log" 2>&1)
  local status=$?
  grep -E '^\s*[0-9]+ - .* \((Failed|Timeout|SEGFAULT|Subprocess aborted|Child aborted|Exception|Not Run)' "$log" \
    | sed -E 's/^\s*[0-9]+ - ([^ ]+).*/\1/' | paste -sd' '
  return $status
}

selected=()
for i in "${!names[@]}"; do
  [[ ${names[$i]} =~ $only ]] && selected+=("$i")
done
[ ${#selected[@]} -gt 0 ] || { echo "no fault matches $only" >&2; exit 2; }

# The unchanged tree must build and pass the tests the faults use.
alltests=$(for i in "${selected[@]}"; do echo "${tests[$i]}"; done | tr ' ' '\n' | sort -u | paste -sd' ')
: >"$work/build.log"
echo "baseline $commit: building $(targets_of "$alltests" | wc -w) targets" >&2
build_targets "$alltests" || { echo "the unchanged tree does not build: $work/build.log" >&2; exit 2; }
if ! failing=$(run_tests "$alltests"); then
  echo "the unchanged tree fails: $failing ($work/ctest.log)" >&2
  exit 2
fi

result=$work/result.tsv
printf 'fault\tresult\tcaught by\tfault description\n' >"$result"
caught=0 survived=0 skipped=0
for i in "${selected[@]}"; do
  name=${names[$i]} file=$src/${files[$i]}
  cp "$file" "$work/original"
  sed -i -e "${seds[$i]}" "$file"
  if cmp -s "$file" "$work/original"; then
    outcome=does-not-apply by=-
    skipped=$((skipped + 1))
  elif ! build_targets "${tests[$i]}"; then
    outcome=caught by=compiler
    caught=$((caught + 1))
  elif by=$(run_tests "${tests[$i]}"); then
    outcome=SURVIVED by=-
    survived=$((survived + 1))
  else
    outcome=caught
    [ -n "$by" ] || by="(see ctest log)"
    caught=$((caught + 1))
  fi
  # A plain copy gives the file a new time, so the next build takes it back.
  cp "$work/original" "$file"
  printf '%s\t%s\t%s\t%s\n' "$name" "$outcome" "$by" "${whats[$i]}" | tee -a "$result" >&2
done
# Leave the copy's build as the commit has it.
build_targets "$alltests" >/dev/null 2>&1

echo "mutation sample at $commit, $(date -u +%Y-%m-%d): $caught caught, $survived survived, $skipped do not apply"
column -t -s $'\t' "$result"
[ "$survived" -eq 0 ] && [ "$skipped" -eq 0 ]
