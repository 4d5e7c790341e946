#!/usr/bin/env bash
# N whole upgrades in a row: each against a fresh radiosim KX-400 of the demo kit on a pseudo-terminal,
# with one fault drawn at random from the simulator's schedule, through corvida-cli program --yes.
# Prints per ending how many runs ended there; fails on a hang, a crash, a sanitizer finding, or a
# radio whose codeplug, read back after a successful upgrade, has lost its own serial number.
#
#   tools/soak/soak.sh BUILD_DIR N
set -uo pipefail

readonly build=$1 runs=${2:-200}
readonly radiosim="$build/sim/radiosim/radiosim" cli="$build/src/cli/corvida-cli"
mkdir -p "$build/soak"
readonly work="$(cd "$build/soak" && pwd)" kit="$(cd "$build/kits/demo" && pwd)"
readonly run_timeout=600  # seconds: far beyond every time-out of a whole upgrade and its retries
readonly serial="4000123"

readonly faults=(
    "write#%d nak" "write#%d bad-checksum" "write#%d silence" "write#%d reset" "write#%d garble 3"
    "read#%d lose 1" "read#%d line-error 2" "status#%d break 1" "erase#1 silence" "sync#1 break 0"
    "block#%d garble 9" "block#%d lose 4" "any#%d silence" "reset#1 lose 0"
)

mkdir -p "$work"
declare -A endings=()
failed=0

ending_of() {
    local log=$1
    case "$(cat "$log")" in
        *"Radio Update is successful"*) echo "5 success" ;;
        *"invalid data file"*) echo "4 invalid data file" ;;
        *"Failed to detect FlashRom size"*) echo "6 flash size not detected" ;;
        *"Flashing operation could not be started"*) echo "3 bootcode failed" ;;
        *"An error occurred while updating the radio"*) echo "0-2 update failed" ;;
        *"Unable to verify radio powerup parameters"*) echo "power-up check failed" ;;
        *) echo "other: $(tail -n 1 "$log")" ;;
    esac
}

for ((run = 1; run <= runs; ++run)); do
    pattern=${faults[RANDOM % ${#faults[@]}]}
    # shellcheck disable=SC2059
    fault=$(printf "$pattern" $((RANDOM % 40 + 1)))
    profile="$work/radio.radio" tty="$work/radio.tty" simlog="$work/radiosim.log" log="$work/run.log"
    { cat kits/demo/radios/kx400.radio; echo "fault = $fault"; } >"$profile"
    rm -f "$tty"
    "$radiosim" --profile "$profile" --files "$build/kits/demo-src" --bootstrap auto --link "$tty" \
        >"$simlog" 2>&1 &
    sim=$!
    for _ in $(seq 50); do [ -e "$tty" ] && break; sleep 0.1; done

    timeout "$run_timeout" "$cli" --device "$tty" program --kit "$kit" --no-echo --yes --retries 3 \
        --rate 115200 >"$log" 2>&1
    status=$?
    rm -f "$work/after.bin"
    [ "$status" -eq 0 ] && timeout 120 "$cli" --device "$tty" codeplug backup --out "$work/after.bin" >/dev/null 2>&1
    kill "$sim" 2>/dev/null
    wait "$sim" 2>/dev/null

    ending=$(ending_of "$log")
    problem=""
    if [ "$status" -eq 124 ]; then problem="hang"
    elif [ "$status" -gt 128 ]; then problem="crash (status $status)"
    elif grep -q "Sanitizer" "$log" "$simlog"; then problem="sanitizer finding"
    elif [[ "$ending" == 5* ]] && ! grep -q -a "$serial" "$work/after.bin" 2>/dev/null; then
        problem="the upgraded radio's codeplug has lost its serial number"
    fi
    endings[$ending]=$((${endings[$ending]:-0} + 1))
    echo "run $run: $fault -> $ending${problem:+ -- $problem}"
    if [ -n "$problem" ]; then
        failed=1
        cp "$log" "$work/failed-$run.log"
        cp "$simlog" "$work/failed-$run-radiosim.log"
    fi
done

echo "== endings of $runs runs"
for ending in "${!endings[@]}"; do printf '%5d  %s\n' "${endings[$ending]}" "$ending"; done | sort -k2
exit "$failed"
