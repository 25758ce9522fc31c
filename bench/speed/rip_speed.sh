#!/usr/bin/env bash
# The whole rip of a long album, side by side in one run, through the emulated drive (the same
# image for every reader): quavrel-cli with one encoder and with one per core, against Debian's
# cd-paranoia piped into each format's encoder track by track; then the drive at a real drive's
# speed, where the encoding should hide behind the reading (each track opened anew costs the
# drive its seeks, for cd-paranoia as for quavrel). Wall time and peak memory (largest
# process) of each, the median of RUNS runs; last, a secure rip against a burst one at that speed.
#
#   bash bench/speed/rip_speed.sh [BUILD_DIR]     (MINUTES=45 RUNS=3 SPEED=40 SPEED_MINUTES=20)
set -euo pipefail
build=$(realpath "${1:-build}")
minutes=${MINUTES:-45}
runs=${RUNS:-3}
speed=${SPEED:-40}
speed_minutes=${SPEED_MINUTES:-20}
work=$(mktemp -d /tmp/quavrel-speed-XXXXXX)
trap 'rm -rf "$work"' EXIT

discgen=$(find "$build" -name discgen -type f -perm -u+x | head -n1)
cli=$build/bin/quavrel-cli
emulator=$build/bin/libquavrel_emulated_drive.so
for needed in "$discgen" "$cli" "$emulator"; do
    [ -x "$needed" ] || [ -f "$needed" ] || { echo "missing: $needed (build first)" >&2; exit 1; }
done
for tool in cd-paranoia flac lame oggenc /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

"$discgen" --long "$minutes" "$work/long"
"$discgen" --long "$speed_minutes" "$work/short"
mkdir -p "$work/dev" "$work/config"
touch "$work/dev/sr0"
export LD_PRELOAD=$emulator QUAVREL_DEVICE_DIR=$work/dev QUAVREL_DRIVES= XDG_CONFIG_HOME=$work/config
# A refused loopback port: no rip here asks a server.
export QUAVREL_ACCURATERIP_SERVER=http://127.0.0.1:9 QUAVREL_COVERART_SERVER=http://127.0.0.1:9
tracks=12

# "seconds peak-KiB" of the command, the largest process's peak for a pipeline's parts.
measure() {
    local out=$work/time.$$
    /usr/bin/time -f "%e %M" -o "$out" bash -c "$1" >/dev/null 2>&1 || { echo "failed: $1" >&2; exit 1; }
    cat "$out"
}
median() { sort -n | awk '{ a[NR] = $0 } END { print a[int((NR + 1) / 2)] }'; }

peer_command() {
    local format=$1 out=$2 encode
    case $format in
    flac) encode='flac -5 -s -f -o "$out/$t.flac" -' ;;
    mp3) encode='lame --quiet -b 128 - "$out/$t.mp3"' ;;
    ogg) encode='oggenc -Q -q 5 -o "$out/$t.ogg" -' ;;
    esac
    echo "out=$out; for t in \$(seq 1 $tracks); do cd-paranoia -q -d $work/dev/sr0 -w \$t - | $encode; done"
}
quavrel_command() {
    local format=$1 out=$2 jobs=$3 settings=
    case $format in
    mp3) settings='-b 128' ;;
    ogg) settings='-q 5' ;;
    esac
    echo "$cli rip --no-lookup -f $format $settings -j $jobs -o $out"
}

# One line per command: the median wall time and the median peak memory of RUNS runs.
bench() {
    local label=$1 command=$2 times=() peaks=()
    for _ in $(seq 1 "$runs"); do
        rm -rf "$work/out" && mkdir -p "$work/out"
        read -r seconds peak < <(measure "$command")
        times+=("$seconds")
        peaks+=("$peak")
    done
    local t p
    t=$(printf '%s\n' "${times[@]}" | median)
    p=$(printf '%s\n' "${peaks[@]}" | median)
    printf '%-34s %8.2f s %8d KiB\n' "$label" "$t" "$p"
    echo "$t" >"$work/last"
}

cores=$(nproc)
echo "Long album: $minutes min, $tracks tracks, image through the emulated drive (no speed limit), $cores cores, median of $runs"
export QUAVREL_EMULATED_DRIVES=$work/dev/sr0=$work/long/long.cue
for format in flac mp3 ogg; do
    bench "$format cd-paranoia | encoder" "$(peer_command $format "$work/out")"
    peer=$(cat "$work/last")
    bench "$format quavrel-cli -j 1" "$(quavrel_command $format "$work/out" 1)"
    bench "$format quavrel-cli -j $cores" "$(quavrel_command $format "$work/out" "$cores")"
    echo "  ratio to cd-paranoia | encoder: $(awk -v a="$(cat "$work/last")" -v b="$peer" 'BEGIN { printf "%.2f", a / b }')"
done

echo
echo "At ${speed}×: $speed_minutes min, $tracks tracks, median of $runs"
export QUAVREL_EMULATED_DRIVES=$work/dev/sr0=$work/short/long.cue,speed=$speed
bench "read alone: cd-paranoia, track by track" "for t in \$(seq 1 $tracks); do cd-paranoia -q -d $work/dev/sr0 -w \$t /dev/null; done"
# The same reads with nothing to encode: what the drive costs quavrel.
bench "read alone: quavrel-cli -f wav" "$(quavrel_command wav "$work/out" "$cores")"
alone=$(cat "$work/last")
for format in flac mp3 ogg; do
    bench "$format quavrel-cli -j $cores" "$(quavrel_command $format "$work/out" "$cores")"
    echo "  ratio to quavrel's read alone: $(awk -v a="$(cat "$work/last")" -v b="$alone" 'BEGIN { printf "%.2f", a / b }')"
done

# Test and copy against one read, on the drive at its speed: at most about twice the time.
echo
echo "Secure against burst at ${speed}×: $speed_minutes min, FLAC, median of $runs"
bench "flac quavrel-cli -j $cores" "$(quavrel_command flac "$work/out" "$cores")"
burst=$(cat "$work/last")
bench "flac quavrel-cli -j $cores --secure" "$(quavrel_command flac "$work/out" "$cores") --secure"
echo "  ratio to burst: $(awk -v a="$(cat "$work/last")" -v b="$burst" 'BEGIN { printf "%.2f", a / b }')"
