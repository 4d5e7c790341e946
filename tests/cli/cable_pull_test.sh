#!/usr/bin/env bash
# The programming cable pulled in the middle of an upgrade, on a real pseudo-terminal: radiosim keeps the
# radio's memory in a state file and is killed outright while the radio is flashed, or while its codeplug
# is written. corvida-cli must end the attempt with the program sequence's error question within its
# time-outs and hold nothing of the vanished device; a new radiosim on the same state is the cable put
# back, and OK on the question retries until the radio holds the kit's firmware and codeplug with its own
# serial number and tuning. The question must come within seconds of the pull (a gone device is not a
# silent one), and OK before the cable is back must ask again rather than end the press.
#
#   cable_pull_test.sh RADIOSIM CORVIDA_CLI KIT KIT_PLAIN RADIOS flashing|codeplug
set -euo pipefail
radiosim=$(realpath "$1") cli=$(realpath "$2") kit=$3 plain=$4 radios=$5 moment=$6

case $moment in
    flashing)  # firmware, the whole codeplug and the patch; pulled a few dozen firmware records in
        profile=kx400-r0403.radio pulled='bootcode +write 4[0-9A-F]{5} 64 bytes: done' records=40 ;;
    codeplug)  # the whole codeplug at 9600 Bd; pulled after a few chunks
        profile=kx400-r0503.radio pulled='write 000[0-9A-F]{3} 32 bytes: done' records=8 ;;
    *) echo "unknown moment: $moment"; exit 2 ;;
esac

# Bounds in seconds, far beyond what a quiet machine needs: they only keep a broken run from hanging.
# The question after the pull has a bound of its own, which the run must keep.
readonly start_bound=10 pulled_bound=180 question_bound=120 upgrade_bound=400 pull_to_question_limit=5
readonly error_question="Error: An error occurred while updating the radio."

work=$(mktemp -d)
sim= cli_pid=
cleanup() {
    [ -n "$cli_pid" ] && kill "$cli_pid" 2>/dev/null && wait "$cli_pid" 2>/dev/null
    [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    exec 3>&- || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    for log in "$work"/radiosim-*.log; do echo "-- the end of $log:"; tail -n 5 "$log"; done
    echo "-- corvida-cli's standard error:"; cat "$work/err" 2>/dev/null
    exit 1
}

# Waits until FILE has at least COUNT lines matching the extended REGEX, for BOUND seconds at most and
# only while corvida-cli, once started, runs.
wait_for() {
    local file=$1 regex=$2 count=$3 bound=$4 waited=0 found
    for (( ; ; waited++)); do
        found=$(grep -cE -- "$regex" "$file" 2>/dev/null || true)
        [ "${found:-0}" -lt "$count" ] || return 0
        [ "$waited" -lt $((bound * 10)) ] || return 1
        [ -z "$cli_pid" ] || kill -0 "$cli_pid" 2>/dev/null || return 1
        sleep 0.1
    done
}

# radiosim N on the radio's state, behind the link; its log is radiosim-N.log.
start_radiosim() {
    local log="$work/radiosim-$1.log"
    "$radiosim" --profile "$radios/$profile" --files "$plain" --bootstrap auto --link "$work/radio" \
        --state "$work/radio.state" -v >"$log" 2>&1 &
    sim=$!
    wait_for "$log" '^state: ' 1 "$start_bound" || fail "radiosim $1 did not start"
    [ -e "$work/radio" ] || fail "radiosim $1 made no link"
}

# The radio's own data as corvida-cli reads them, where its codeplug holds them: the serial number
# (the first 11 bytes of the block 0000 entry) and the first 16 bytes of the tuning entry (block 8000).
own_data() {
    local blocks
    blocks=$("$cli" --device "$work/radio" codeplug show) &&
        "$cli" --device "$work/radio" kwip read "$(awk '$1 == "0x0000" {print $2}' <<<"$blocks")" 11 &&
        "$cli" --device "$work/radio" kwip read "$(awk '$1 == "0x8000" {print $2}' <<<"$blocks")" 16
}

cp -r "$kit" "$work/kit"
rm -rf "$work/kit/upgrades.csv" "$work/kit/backup"  # left by an earlier run in the build

start_radiosim 1
old_terminal=$(head -n 1 "$work/radiosim-1.log")
own_before=$(own_data) || fail "the radio's own data could not be read before"
"$cli" --device "$work/radio" codeplug backup --out "$work/before.bin" >/dev/null || fail "no backup before"

# The operator answers on standard input, question by question.
mkfifo "$work/answers"
exec 3<>"$work/answers"
(cd "$work" && XDG_CONFIG_HOME="$work/config" exec "$cli" program --kit kit --device radio --no-echo \
    --rate 115200 <"$work/answers" >"$work/out" 2>"$work/err") &
cli_pid=$!
asked=0
answer_next_question() {
    asked=$((asked + 1))
    wait_for "$work/err" '\[ok/cancel\]' "$asked" "$question_bound" || fail "question $asked was not asked"
    echo ok >&3
}
if [ "$moment" = flashing ]; then
    answer_next_question  # the bootstrap-mode instructions
fi

wait_for "$work/radiosim-1.log" "$pulled" "$records" "$pulled_bound" || fail "the radio was not reached"
{ kill -KILL "$sim" && wait "$sim"; } 2>/dev/null || true
sim=
pulled_at=$(date +%s%N)

asked=$((asked + 1))
wait_for "$work/err" '\[ok/cancel\]' "$asked" "$question_bound" ||
    fail "no question within $question_bound s of the pulled cable"
pull_to_question_ms=$((($(date +%s%N) - pulled_at) / 1000000))
echo "corvida-cli asked $pull_to_question_ms ms after the cable was pulled"
[ "$pull_to_question_ms" -lt $((pull_to_question_limit * 1000)) ] ||
    fail "the question came more than $pull_to_question_limit s after the pull"
grep -qF "$error_question" "$work/err" || fail "not the error question"
kill -0 "$cli_pid" 2>/dev/null || fail "corvida-cli ended instead of asking"

# Nothing of the vanished terminal stays open in corvida-cli while it asks: no lock is left behind. (A
# terminal whose other side has gone shows as "PATH (deleted)".)
for fd in /proc/"$cli_pid"/fd/*; do
    case "$(readlink "$fd" 2>/dev/null)" in
        "$old_terminal" | "$old_terminal (deleted)") fail "corvida-cli still holds $old_terminal" ;;
    esac
done

# OK before the cable is back: the press goes on asking.
echo ok >&3
asked=$((asked + 1))
wait_for "$work/err" '\[ok/cancel\]' "$asked" "$question_bound" ||
    fail "OK without the cable ended the press instead of asking again"
if [ "$moment" = flashing ]; then
    grep -qF "CWinSerial::Open: Unable to open com256" "$work/err" || fail "the question does not say why"
fi

# The cable put back: the same radio, then OK on the question.
start_radiosim 2
if [ "$moment" = flashing ]; then
    grep -q '^state: dead' "$work/radiosim-2.log" || fail "a radio left half flashed did not start dead"
fi
echo ok >&3

status=0
for _ in $(seq $((upgrade_bound * 10))); do kill -0 "$cli_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$cli_pid" 2>/dev/null && fail "the retry did not end within $upgrade_bound s"
wait "$cli_pid" || status=$?
cli_pid=
[ "$status" -eq 0 ] || fail "exit status $status after the retry"
grep -q "NOTE: Radio Update is successful" "$work/err" || fail "no success message"
grep -qF ",$work/radio," "$work/kit/upgrades.csv" || fail "the record does not name the device by its path"

own_after=$(own_data) || fail "the radio's own data could not be read after"
[ "$own_after" = "$own_before" ] ||
    fail "the radio lost its own data: before $own_before, after $own_after"
if [ "$moment" = flashing ]; then
    "$cli" --device "$work/radio" radio info | grep -q 'release.*R05\.20' || fail "not the kit's firmware"
else
    # The radio's codeplug is the kit's with its own data in it, so the whole of it is as before.
    "$cli" --device "$work/radio" codeplug backup --out "$work/after.bin" >/dev/null || fail "no backup after"
    cmp -s "$work/before.bin" "$work/after.bin" || fail "the codeplug differs from the kit's with the radio's data"
fi
echo "the cable was pulled while $moment; the retry on the radio's state upgraded it and kept its own data"
