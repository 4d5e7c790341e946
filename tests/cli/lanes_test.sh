#!/usr/bin/env bash
# Three radios upgraded at once by one corvida-cli program with three --device lanes, each on its own
# radiosim, in real time. One lane's radio is killed outright in the middle of its upgrade (while its
# firmware is flashed, or while its codeplug is written). The other two must finish with success and
# keep their own data; the command must end with exit status 1 naming the lane that failed, upgrades.csv
# must hold three whole rows that a CSV parser reads, and each lane must have logged to its own file.
#
#   lanes_test.sh RADIOSIM CORVIDA_CLI KIT KIT_PLAIN RADIOS flashing|codeplug
set -euo pipefail
radiosim=$(realpath "$1") cli=$(realpath "$2") kit=$3 plain=$4 radios=$5 moment=$6

# Each lane's profile and serial; the killed lane is c. Each radio gets a serial of its own, as radios on
# a bench have: the kit's ledger tells radios apart by identity and serial.
case $moment in
    flashing)  # c is killed a few dozen firmware records in, while a flashes its own firmware
        profiles=(kx600 kx400-r0503 kx400-r0403) serials=(6000456 4000203 4000206)
        pulled='bootcode +write 4[0-9A-F]{5} 64 bytes: done' records=40 ;;
    codeplug)  # c is killed a few chunks into its codeplug, while a and b write theirs
        profiles=(kx400-r0503 kx400-r0503 kx400-r0503) serials=(4000203 4000203 4000203)
        pulled='write 000[0-9A-F]{3} 32 bytes: done' records=8 ;;
    *) echo "unknown moment: $moment"; exit 2 ;;
esac
readonly lanes=(a b c) start_bound=10 pulled_bound=240 run_bound=480

work=$(mktemp -d)
sims=() cli_pid=
cleanup() {
    [ -n "$cli_pid" ] && kill "$cli_pid" 2>/dev/null && wait "$cli_pid" 2>/dev/null
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    for log in "$work"/radiosim-*.log; do echo "-- the end of $log:"; tail -n 3 "$log"; done
    echo "-- corvida-cli's standard output:"; cat "$work/out" 2>/dev/null
    echo "-- corvida-cli's standard error:"; tail -n 40 "$work/err" 2>/dev/null
    exit 1
}

# Waits until FILE has COUNT lines matching REGEX, for BOUND seconds at most.
wait_for() {
    local file=$1 regex=$2 count=$3 bound=$4 found
    for _ in $(seq $((bound * 10))); do
        found=$(grep -cE -- "$regex" "$file" 2>/dev/null || true)
        [ "${found:-0}" -lt "$count" ] || return 0
        sleep 0.1
    done
    return 1
}

# The radio's own data as corvida-cli reads them: the serial-number entry (block 0000) and the first 16
# bytes of the tuning entry (block 8000).
own_data() {
    local device=$1 blocks
    blocks=$("$cli" --device "$device" codeplug show) &&
        "$cli" --device "$device" kwip read "$(awk '$1 == "0x0000" {print $2}' <<<"$blocks")" 11 &&
        "$cli" --device "$device" kwip read "$(awk '$1 == "0x8000" {print $2}' <<<"$blocks")" 16
}

cp -r "$kit" "$work/kit"
rm -rf "$work/kit/upgrades.csv" "$work/kit/backup"  # left by an earlier run in the build
mkdir "$work/logs"
devices=()
for i in 0 1 2; do
    lane=${lanes[$i]} serial=$(( ${serials[$i]} + 10 * (i + 1) ))
    sed "s/${serials[$i]}/$serial/g" "$radios/${profiles[$i]}.radio" >"$work/$lane.radio"
    "$radiosim" --profile "$work/$lane.radio" --files "$plain" --bootstrap auto --link "$work/radio-$lane" -v \
        >"$work/radiosim-$lane.log" 2>&1 &
    sims+=($!)
    for _ in $(seq $((start_bound * 10))); do [ -e "$work/radio-$lane" ] && break; sleep 0.1; done
    [ -e "$work/radio-$lane" ] || fail "radiosim $lane did not start"
    devices+=(--device "$work/radio-$lane")
done
for lane in a b; do
    own_data "$work/radio-$lane" >"$work/own-$lane.before" || fail "radio $lane could not be read before"
done

(cd "$work" && XDG_CONFIG_HOME="$work/config" exec "$cli" --log "$work/logs" "${devices[@]}" program --kit kit \
    --no-echo --rate 115200 --yes --retries 0 --bootstrap-wait 30 >"$work/out" 2>"$work/err" </dev/null) &
cli_pid=$!

wait_for "$work/radiosim-c.log" "$pulled" "$records" "$pulled_bound" || fail "radio c was not reached"
{ kill -KILL "${sims[2]}" && wait "${sims[2]}"; } 2>/dev/null || true
echo "radio c killed while $moment"

status=0
for _ in $(seq $((run_bound * 10))); do kill -0 "$cli_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$cli_pid" 2>/dev/null && fail "the lanes did not end within $run_bound s"
wait "$cli_pid" || status=$?
cli_pid=
[ "$status" -eq 1 ] || fail "exit status $status, not 1"
grep -qF "lanes that did not succeed: $work/radio-c" "$work/err" || fail "the failed lane is not named"
grep -E "lanes that did not succeed: .*radio-[ab]" "$work/err" && fail "a lane that succeeded is named"
for lane in a b; do
    grep -qE "^$work/radio-$lane +[0-9]+ +R[0-9.]+ +success " "$work/out" || fail "lane $lane did not succeed"
    grep -qF "[$work/radio-$lane] NOTE: Radio Update is successful" "$work/err" || fail "no success box in lane $lane"
    own_data "$work/radio-$lane" >"$work/own-$lane.after" || fail "radio $lane could not be read after"
    cmp -s "$work/own-$lane.before" "$work/own-$lane.after" || fail "radio $lane lost its own data"
done
grep -qE "^$work/radio-c +.* FAILED " "$work/out" || fail "lane c is not shown as failed"

# The record: a header and a row per lane, whole, as a CSV parser reads them; and each radio's backup.
python3 - "$work/kit/upgrades.csv" "$work" <<'PY' || fail "upgrades.csv: $(cat "$work/kit/upgrades.csv")"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
assert rows[0][:2] == ["date and time", "port"], rows[0]
assert len(rows) == 4 and all(len(row) == len(rows[0]) for row in rows), rows
ports = {row[1]: row for row in rows[1:]}
assert sorted(ports) == [sys.argv[2] + "/radio-" + lane for lane in "abc"], ports
for lane in "ab":
    assert ports[sys.argv[2] + "/radio-" + lane][9] == "Radio Update is successful", ports
assert ports[sys.argv[2] + "/radio-c"][9] != "Radio Update is successful", ports
PY
# Each radio whose codeplug was written has its own backup; the killed radio's stays unrestored.
backup_of() {
    local i=$1
    ls "$work/kit/backup/"*"-$(( ${serials[$i]} + 10 * (i + 1) ))".radiodata 2>/dev/null
}
for i in 0 1; do
    [ "${profiles[$i]}" = kx600 ] || backup_of "$i" >/dev/null || fail "no backup of radio ${lanes[$i]}'s own data"
done
if [ "$moment" = codeplug ]; then
    grep -q '^restored no' "$(backup_of 2)" || fail "the killed radio's data are not kept as unrestored"
fi

# Each lane logged to a file of its own; nobody wrote cvErrlog.txt.
[ ! -e "$work/logs/cvErrlog.txt" ] || fail "cvErrlog.txt was written"
for lane in a b c; do
    name="cvErrlog-${work#/}/radio-$lane.txt"
    [ -s "$work/logs/${name//\//_}" ] || fail "no log of its own for lane $lane: $(ls "$work/logs")"
done
echo "two lanes of three upgraded their radios while the third's was killed while $moment"
