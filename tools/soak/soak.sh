#!/usr/bin/env bash
# N whole upgrades: each against a fresh radiosim KX-400 of the demo kit on a pseudo-terminal, with one
# fault drawn at random from the simulator's schedule, through corvida-cli program --yes. A run that does
# not end in success is followed by a second press on the same radio without the fault, as the technician
# would try again. Prints per ending how many runs ended there; fails on a hang, a crash, a sanitizer
# finding, or a radio that the run (and its second press) did not leave upgraded with its own serial
# number and tuning entries.
#
# A run takes two minutes (the bootcode alone is 50 s at 2400 Bd), so LANES runs go side by side, each
# radio on its own terminal, as the bench runs them: one corvida-cli program with a --device per radio,
# a lane each, and the second presses of a round likewise together. SOAK_SEED repeats a soak's draws.
# Under the sanitizers radiosim takes half a core (it serves the line every 100 us); SOAK_RADIOSIM names
# another radiosim, e.g. an optimised build's, so that more lanes fit while corvida-cli stays under the
# sanitizers.
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

# One corvida-cli for the radios on the terminals given, a lane each; its lines name their lane.
press() {
    local log=$1 tty devices=()
    shift
    for tty in "$@"; do devices+=(--device "$tty"); done
    timeout "$run_timeout" "$cli" program --kit "$kit" "${devices[@]}" --no-echo --yes --retries 3 \
        --rate 115200 >"$log" 2>&1
}

# What the press said about the radio on TTY: its lane's lines (all of them with one radio).
lane_log() {
    local log=$1 tty=$2 out=$3 count=$4
    if [ "$count" -eq 1 ]; then cp "$log" "$out"; else grep -F "[$tty] " "$log" >"$out"; fi
}

problem_of() {
    local status=$1 log=$2 simlog=$3
    if [ "$status" -eq 124 ]; then echo "hang"
    elif [ "$status" -gt 128 ]; then echo "crash (status $status)"
    elif grep -q "the lane crashed" "$log"; then echo "crash ($(grep -m 1 "the lane crashed" "$log"))"
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

# A round: COUNT runs from FIRST, a lane each. The faulty presses run together against radiosims with
# the drawn faults. What follows, second presses (together) for the radios whose first did not succeed
# and the read of each radio's entries, runs against new radiosims on the same radio memories without
# the faults: the technician's retry after a hiccup, and a fault that a press never reached cannot fall
# on the check.
one_round() {
    local first=$1 count=$2 started=$SECONDS lane dir pattern status
    local -a ttys=() sims=() faults_drawn=() endings=() problems=() again=()
    for ((lane = 1; lane <= count; ++lane)); do
        dir="$work/lane$lane"
        mkdir -p "$dir"
        pattern=${faults[RANDOM % ${#faults[@]}]}
        # shellcheck disable=SC2059
        faults_drawn[lane]=$(printf "$pattern" $((RANDOM % 40 + 1)))
        { cat kits/demo/radios/kx400.radio; echo "fault = ${faults_drawn[lane]}"; } >"$dir/radio.radio"
        rm -f "$dir/radio.state" "$dir"/*.log "$dir"/*.txt
        ttys[lane]="$dir/radio.tty"
        start_sim "$dir/radio.radio" "$dir/radio.state" "${ttys[lane]}" "$dir/radiosim.log"
        sims[lane]=$sim
    done
    press "$work/round.log" "${ttys[@]}"
    status=$?
    for ((lane = 1; lane <= count; ++lane)); do
        dir="$work/lane$lane"
        sim=${sims[lane]} && stop_sim
        lane_log "$work/round.log" "${ttys[lane]}" "$dir/run.log" "$count"
        endings[lane]=$(ending_of "$dir/run.log")
        problems[lane]=$(problem_of "$status" "$dir/run.log" "$dir/radiosim.log")
        start_sim kits/demo/radios/kx400.radio "$dir/radio.state" "${ttys[lane]}" "$dir/radiosim.log"
        sims[lane]=$sim
        [ -z "${problems[lane]}" ] && [[ "${endings[lane]}" != 5* ]] && again+=("$lane")
    done
    if [ "${#again[@]}" -gt 0 ]; then
        local -a again_ttys=()
        for lane in "${again[@]}"; do again_ttys+=("${ttys[lane]}"); done
        press "$work/again.log" "${again_ttys[@]}"
        status=$?
        for lane in "${again[@]}"; do
            dir="$work/lane$lane"
            lane_log "$work/again.log" "${ttys[lane]}" "$dir/again.log" "${#again[@]}"
            problems[lane]=$(problem_of "$status" "$dir/again.log" "$dir/radiosim.log")
            [ -z "${problems[lane]}" ] && [[ "$(ending_of "$dir/again.log")" != 5* ]] &&
                problems[lane]="a second press did not upgrade the radio: $(ending_of "$dir/again.log")"
        done
    fi
    for ((lane = 1; lane <= count; ++lane)); do
        local run=$((first + lane - 1))
        dir="$work/lane$lane"
        if [ -z "${problems[lane]}" ]; then
            radio_data "${ttys[lane]}" "$dir/after.txt"
            cmp -s "$work/reference.txt" "$dir/after.txt" ||
                problems[lane]="the radio's serial-number or tuning entry differs from before the upgrade"
        fi
        sim=${sims[lane]} && stop_sim
        grep -q "Sanitizer" "$dir/radiosim.log" && problems[lane]="sanitizer finding in radiosim"
        echo "${endings[lane]}" >>"$work/endings"
        echo "run $run (lane $lane, round of $((SECONDS - started)) s): ${faults_drawn[lane]} -> ${endings[lane]}${problems[lane]:+ -- ${problems[lane]}}"
        if [ -n "${problems[lane]}" ]; then
            echo "$run" >>"$work/failed"
            for file in "$dir"/*.log "$dir"/*.txt "$work"/round.log "$work"/again.log; do
                [ -e "$file" ] && cp "$file" "$work/failed-$run-$(basename "$file")"
            done
        fi
    done
    rm -f "$work/round.log" "$work/again.log"
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

rm -rf "$work"/failed-* "$work"/lane* "$work/endings" "$work/failed"
read_reference || { echo "cannot read the radio's entries: $(cat "$work/reference.txt")"; exit 1; }
readonly seed=${SOAK_SEED:-$$}
echo "== $runs runs, $lanes side by side, faults drawn with SOAK_SEED=$seed, radiosim $radiosim"
started=$SECONDS
RANDOM=$seed
for ((first = 1; first <= runs; first += lanes)); do
    one_round "$first" $((runs - first + 1 < lanes ? runs - first + 1 : lanes))
done

echo "== endings of $runs runs in $(((SECONDS - started) / 60)) min, $lanes side by side"
sort "$work/endings" | uniq -c
failed=$(sort -n "$work/failed" 2>/dev/null | tr '\n' ' ')
if [ -n "$failed" ]; then
    echo "== failed: runs $failed(logs in $work)"
    exit 1
fi
