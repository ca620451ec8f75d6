#!/usr/bin/env bash
# rimvista-batch against ImageMagick's convert, side by side in one run: wall time and peak
# memory (from /usr/bin/time -v) for the same pictures, printed as ratios against the targets.
#
#   bash bench/batch/run.sh [--quick] [--runs N] [--keep DIR]
#
# --quick   skips the 20000 x 15000 picture (it needs about 1.5 GB of memory and a minute)
#
# PNG is timed on the generated landscape at 12 and 48 megapixels and on a 12-megapixel copy of
# it with a photograph's grain added (by convert, so that it is random, not repeating); the file
# sizes are compared as well as the times.
# --runs N  repetitions of each timed command, the median counts (default 3)
# --keep D  generate and keep the pictures in D instead of a temporary folder
#
# Set RIMVISTA_BATCH to a built rimvista-batch; otherwise it is built with the `release` preset.

set -euo pipefail
cd "$(dirname "$0")/../.."

runs=3
quick=0
keep=""
while [[ $# -gt 0 ]]; do
    case "$1" in
        --quick) quick=1 ;;
        --runs) runs="$2"; shift ;;
        --keep) keep="$2"; shift ;;
        *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done

# The comparison tool is needed by this benchmark only, so it is installed here.
convert=/usr/bin/convert
if [[ ! -x $convert ]]; then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get install -y imagemagick || { $sudo apt-get update && $sudo apt-get install -y imagemagick; }
fi
for tool in /usr/bin/time; do
    [[ -x $tool ]] || { echo "$tool is missing (apt-get install time)" >&2; exit 1; }
done

batch="${RIMVISTA_BATCH:-}"
if [[ -z $batch ]]; then
    echo "building rimvista-batch in build/release ..."
    cmake --preset release >/dev/null
    cmake --build --preset release --target rimvista-batch -j "$(nproc)" >/dev/null
    batch=build/release/rimvista-batch
fi
batch=$(realpath "$batch")

if [[ -n $keep ]]; then
    work=$(realpath -m "$keep")
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
cd "$work"

# --- pictures -------------------------------------------------------------------------------
make_sample() {  # file size quality
    [[ -f $1 ]] || "$batch" --make-sample "$1" --sample-size "$2" --quality "$3"
}
echo "generating pictures in $work ..."
make_sample in48.jpg 8000x6000 92
make_sample in48.bmp 8000x6000 92
make_sample in12.png 4000x3000 92
make_sample in48.png 8000x6000 92
[[ -f grain12.png ]] || "$convert" in12.png -attenuate 0.15 +noise Gaussian grain12.png
mkdir -p folder
for i in $(seq -w 1 24); do make_sample "folder/p$i.jpg" 4000x3000 92; done
[[ $quick -eq 1 ]] || make_sample in300.jpg 20000x15000 92

# --- measuring ------------------------------------------------------------------------------
# Runs one of the shell functions below; prints "seconds kilobytes" (wall time, and the peak
# resident memory of the largest process it ran).
measure() {
    local log
    log=$(mktemp)
    if ! /usr/bin/time -v -o "$log" bash -c "$1" >/dev/null 2>"$log.err"; then
        echo "command failed: $1" >&2
        cat "$log.err" >&2
        rm -f "$log" "$log.err"
        return 1
    fi
    local wall kb
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log" |
        awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }')
    kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
    rm -f "$log" "$log.err"
    echo "$wall $kb"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Times the two functions alternately, runs times each; sets A_S A_KB B_S B_KB (medians).
side_by_side() {
    local a=() b=() akb=() bkb=() r
    for ((i = 0; i < runs; i++)); do
        read -r s kb < <(measure "$1"); a+=("$s"); akb+=("$kb")
        read -r s kb < <(measure "$2"); b+=("$s"); bkb+=("$kb")
    done
    A_S=$(printf '%s\n' "${a[@]}" | median); A_KB=$(printf '%s\n' "${akb[@]}" | median)
    B_S=$(printf '%s\n' "${b[@]}" | median); B_KB=$(printf '%s\n' "${bkb[@]}" | median)
}

verdict() { awk -v v="$1" -v t="$2" -v dir="$3" 'BEGIN {
    ok = (dir == "min") ? v >= t : v < t; print ok ? "met" : "MISSED" }'; }

report=()
line() { report+=("$(printf "$@")"); }

convert_jpg() { "$convert" in48.jpg -raise 6x6 -quality 100 out-convert.jpg; }
batch_jpg() { "$batch" -q --overwrite --quality 100 -f 6,6,6,6,0,0,0,0,0 in48.jpg -o out-batch.jpg; }
convert_bmp() { "$convert" in48.bmp -raise 6x6 out-convert.bmp; }
batch_bmp() { "$batch" -q --overwrite -f 6,6,6,6,0,0,0,0,0 in48.bmp -o out-batch.bmp; }
convert_folder() {
    mkdir -p out-convert
    for f in folder/*.jpg; do "$convert" "$f" -raise 6x6 -quality 100 "out-convert/${f##*/}"; done
}
batch_folder() { "$batch" -q --overwrite -j 2 --quality 100 -f 6,6,6,6,0,0,0,0,0 folder/*.jpg -o out-batch/; }
convert_png() { "$convert" "$PNG_IN" -raise 6x6 out-convert.png; }
batch_png() { "$batch" -q --overwrite -f 6,6,6,6,0,0,0,0,0 "$PNG_IN" -o out-batch.png; }
batch_300() { "$batch" -q --overwrite --quality 100 -f 6,6,6,6,0,0,0,0,0 in300.jpg -o out300.jpg; }
export convert batch
export -f convert_jpg batch_jpg convert_bmp batch_bmp convert_folder batch_folder batch_300
export -f convert_png batch_png

echo "timing (median of $runs runs each, run alternately) ..."
pixels48=$((8000 * 6000 * 4))

side_by_side convert_jpg batch_jpg
speed=$(awk -v a="$A_S" -v b="$B_S" 'BEGIN { printf "%.2f", a / b }')
memratio=$(awk -v kb="$B_KB" -v p="$pixels48" 'BEGIN { printf "%.2f", kb * 1024 / p }')
line "48 MP JPEG -> JPEG q100: convert %.2f s %d MB, rimvista-batch %.2f s %d MB" \
    "$A_S" $((A_KB / 1024)) "$B_S" $((B_KB / 1024))
mb=$((B_KB / 1024))
line "    speed %s x (target >= 5: %s); memory %s x the 4-byte pixels, %d MB (target <= 64 MB: %s)" \
    "$speed" "$(verdict "$speed" 5 min)" "$memratio" "$mb" "$(verdict "$mb" 64.5 max)"

side_by_side convert_bmp batch_bmp
speed=$(awk -v a="$A_S" -v b="$B_S" 'BEGIN { printf "%.2f", a / b }')
line "48 MP BMP -> BMP: convert %.2f s %d MB, rimvista-batch %.2f s %d MB" \
    "$A_S" $((A_KB / 1024)) "$B_S" $((B_KB / 1024))
line "    speed %s x (target >= 4: %s)" "$speed" "$(verdict "$speed" 4 min)"

side_by_side convert_folder batch_folder
speed=$(awk -v a="$A_S" -v b="$B_S" 'BEGIN { printf "%.2f", a / b }')
line "24 x 12 MP JPEG folder: convert one by one %.2f s, rimvista-batch -j 2 %.2f s (%d MB)" \
    "$A_S" "$B_S" $((B_KB / 1024))
line "    throughput %s x (target >= 6: %s)" "$speed" "$(verdict "$speed" 6 min)"

# PNG -> frame -> PNG: speed, the size of the file against convert's, and peak memory.
png_row() {  # input label speed-target
    export PNG_IN=$1
    side_by_side convert_png batch_png
    local speed size ratio mb
    speed=$(awk -v a="$A_S" -v b="$B_S" 'BEGIN { printf "%.2f", a / b }')
    size=$(stat -c %s out-batch.png)
    ratio=$(awk -v a="$(stat -c %s out-convert.png)" -v b="$size" 'BEGIN { printf "%.3f", b / a }')
    mb=$((B_KB / 1024))
    line "%s PNG -> PNG: convert %.2f s %d MB, rimvista-batch %.2f s %d MB, %d bytes" \
        "$2" "$A_S" $((A_KB / 1024)) "$B_S" "$mb" "$size"
    line "    speed %s x (target >= %s: %s); size %s x convert's (target <= 1.05: %s); memory %d MB (target <= 64 MB: %s)" \
        "$speed" "$3" "$(verdict "$speed" "$3" min)" "$ratio" "$(verdict "$ratio" 1.0501 max)" \
        "$mb" "$(verdict "$mb" 64.5 max)"
}
png_row in12.png "12 MP" 3
png_row grain12.png "12 MP grainy" 3
png_row in48.png "48 MP" 3

if [[ $quick -eq 0 ]]; then
    read -r s kb < <(measure batch_300)
    gb=$(awk -v kb="$kb" 'BEGIN { printf "%.2f", kb * 1024 / 1e9 }')
    line "300 MP JPEG (20000 x 15000): rimvista-batch %.2f s, peak %s GB (target < 1.5: %s)" \
        "$s" "$gb" "$(verdict "$gb" 1.5 max)"
fi

echo
printf '%s\n' "${report[@]}"
