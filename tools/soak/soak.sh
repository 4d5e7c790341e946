#!/usr/bin/env bash
# N whole upgrades: each against a fresh radiosim KX-400 of the demo kit on a pseudo-terminal, with one
# fault drawn at random from the simulator's schedule, through corvida-cli program --yes. A run that does
# not end in success is followed by a second press on the same radio without the fault, as the technician
# would try again. Prints per ending how many runs ended there; fails on a hang, a crash, a sanitizer
# finding, or a radio that the run (and its second press) did not leave upgraded with its own serial
# number and tuning entries.
#
# A run takes two minutes (the bootcode alone is 50 s at 2400 Bd), so LANES runs go side by side, each
# on its own terminal. SOAK_SEED repeats a soak's draws. Under the sanitizers radiosim takes half a core
# (it serves the line every 100 us); SOAK_RADIOSIM names another radiosim, e.g. an optimised build's, so
# that more lanes fit while corvida-cli stays under the sanitizers.
#
#   tools/soak/soak.sh BUILD_DIR [N] [LANES]
set -uo pipefail

readonly build=$1 runs=${2:-200} lanes=${3:-3}
readonly radiosim=${SOAK_RADIOSIM:-$build/sim/radiosim/radiosim} cli="$build/src/cli/corvida-cli"
mkdir -p "$build/soak"
readonly work="$(cd "$build/soak" && pwd)" kit="$(cd "$build/kits/demo" && pwd)"
readonly run_timeout=600  # seconds: far beyond every time-out of a whole upgrade and its retries

readonly faults=(
    "write#%d nak" "write#%d bad-checksum" "write#%d silence" "write#%d reset" "write#%d garble 3"
    "read#%d lose 1" "read#%d line-error 2" "status#%d break 1" "erase#1 silence" "sync#1 break 0"
    "block#%d garble 9" "block#%d lose 4" "any#%d silence" "reset#1 lose 0"
)

ending_of() {
    case "$(cat "$1")" in
        *"Radio Update is successful"*) echo "5 success" ;;
        *"invalid data file"*) echo "4 invalid data file" ;;
        *"Failed to detect FlashRom size"*) echo "6 flash size not detected" ;;
        *"Flashing operation could not be started"*) echo "3 bootcode failed" ;;
        *"An error occurred while updating the radio"*) echo "0-2 update failed" ;;
        *"Unable to verify radio powerup parameters"*) echo "power-up check failed" ;;
        *) echo "other: $(tail -n 1 "$1")" ;;
    esac
}

# The radio's own data as the bench sees it: the first bytes of its serial-number entry (block 0000) and
# of its tuning entry (block 8000), wherever its codeplug holds them. An upgrade must keep both.
radio_data() {
    local tty=$1 out=$2 blocks block
    blocks=$(timeout 120 "$cli" --device "$tty" codeplug show 2>&1) || { echo "$blocks" >"$out"; return 1; }
    for block in 0x0000 0x8000; do
        timeout 60 "$cli" --device "$tty" kwip read "$(awk -v b=$block '$1 == b {print $2}' <<<"$blocks")" 16
    done >"$out" 2>&1
}

press() {
    local tty=$1 log=$2
    timeout "$run_timeout" "$cli" --device "$tty" program --kit "$kit" --no-echo --yes --retries 3 \
        --rate 115200 >"$log" 2>&1
}

problem_of() {
    local status=$1 log=$2 simlog=$3
    if [ "$status" -eq 124 ]; then echo "hang"
    elif [ "$status" -gt 128 ]; then echo "crash (status $status)"
    elif grep -q "Sanitizer" "$log" "$simlog"; then echo "sanitizer finding"
    fi
}

# radiosim on PROFILE with the radio's memory in STATE, its terminal linked at TTY; sets sim.
start_sim() {
    local profile=$1 state=$2 tty=$3 simlog=$4
    rm -f "$tty"
    "$radiosim" --profile "$profile" --files "$build/kits/demo-src" --bootstrap auto --state "$state" \
        --link "$tty" >>"$simlog" 2>&1 &
    sim=$!
    for _ in $(seq 50); do [ -e "$tty" ] && break; sleep 0.1; done
}

stop_sim() {
    kill "$sim" 2>/dev/null
    wait "$sim" 2>/dev/null
}

# The faulty press runs against a radiosim with the drawn fault. What follows, a second press when the
# first did not succeed and the read of the radio's entries, runs against a new radiosim on the same
# radio memory without the fault: the technician's retry after a hiccup, and a fault that the press never
# reached cannot fall on the check.
one_run() {
    local lane=$1 run=$2 dir="$work/lane$1"
    local pattern fault profile="$dir/radio.radio" tty="$dir/radio.tty" simlog="$dir/radiosim.log"
    local state="$dir/radio.state" log="$dir/run.log" again="$dir/again.log" status problem ending
    local started=$SECONDS
    pattern=${faults[RANDOM % ${#faults[@]}]}
    # shellcheck disable=SC2059
    fault=$(printf "$pattern" $((RANDOM % 40 + 1)))
    { cat kits/demo/radios/kx400.radio; echo "fault = $fault"; } >"$profile"
    rm -f "$state" "$dir"/*.log "$dir"/*.txt

    start_sim "$profile" "$state" "$tty" "$simlog"
    press "$tty" "$log"
    status=$?
    stop_sim
    ending=$(ending_of "$log")
    problem=$(problem_of "$status" "$log" "$simlog")

    start_sim kits/demo/radios/kx400.radio "$state" "$tty" "$simlog"
    if [ -z "$problem" ] && [[ "$ending" != 5* ]]; then
        press "$tty" "$again"
        status=$?
        problem=$(problem_of "$status" "$again" "$simlog")
        [ -z "$problem" ] && [[ "$(ending_of "$again")" != 5* ]] &&
            problem="a second press did not upgrade the radio: $(ending_of "$again")"
    fi
    if [ -z "$problem" ]; then
        radio_data "$tty" "$dir/after.txt"
        cmp -s "$work/reference.txt" "$dir/after.txt" ||
            problem="the radio's serial-number or tuning entry differs from before the upgrade"
    fi
    stop_sim
    grep -q "Sanitizer" "$simlog" && problem="sanitizer finding in radiosim"

    echo "$ending" >>"$dir/endings"
    echo "run $run (lane $lane, $((SECONDS - started)) s): $fault -> $ending${problem:+ -- $problem}"
    if [ -n "$problem" ]; then
        echo "$run" >>"$dir/failed"
        for file in "$dir"/*.log "$dir"/*.txt; do cp "$file" "$work/failed-$run-$(basename "$file")"; done
    fi
}

# The radio's entries before any upgrade, read once from a radio without a fault: every run's radio is
# the same KX-400.
read_reference() {
    local status
    rm -f "$work/reference.state"
    start_sim kits/demo/radios/kx400.radio "$work/reference.state" "$work/reference.tty" \
        "$work/reference-radiosim.log"
    radio_data "$work/reference.tty" "$work/reference.txt"
    status=$?
    stop_sim
    return "$status"
}

lane() {
    local lane=$1
    RANDOM=$((seed + lane))
    mkdir -p "$work/lane$lane"
    rm -f "$work/lane$lane/endings" "$work/lane$lane/failed"
    for ((run = lane; run <= runs; run += lanes)); do one_run "$lane" "$run"; done
}

rm -rf "$work"/failed-* "$work"/lane*
read_reference || { echo "cannot read the radio's entries: $(cat "$work/reference.txt")"; exit 1; }
readonly seed=${SOAK_SEED:-$$}
echo "== $runs runs, $lanes side by side, faults drawn with SOAK_SEED=$seed, radiosim $radiosim"
started=$SECONDS
for ((l = 1; l <= lanes; ++l)); do lane "$l" & done
wait

echo "== endings of $runs runs in $(((SECONDS - started) / 60)) min, $lanes side by side"
cat "$work"/lane*/endings | sort | uniq -c
failed=$(cat "$work"/lane*/failed 2>/dev/null | sort -n | tr '\n' ' ')
if [ -n "$failed" ]; then
    echo "== failed: runs $failed(logs in $work)"
    exit 1
fi
