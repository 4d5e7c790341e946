#!/usr/bin/env bash
# corvida-cli program against radiosim on a pseudo-terminal, in real time: a demo radio whose release
# selects codeplug programming is upgraded with a copy of the demo kit, answering every question with
# --yes. The press must end in its success message with exit status 0, keep a backup of the radio's own
# data and add its row to the kit's upgrade record.
set -euo pipefail
radiosim=$1 cli=$2 kit=$3 plain=$4 radios=$5

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; echo "-- corvida-cli's standard error:"; cat "$work/err" 2>/dev/null; exit 1; }

cp -r "$kit" "$work/kit"
rm -rf "$work/kit/upgrades.csv" "$work/kit/backup"  # left by an earlier run in the build
"$radiosim" --profile "$radios/kx400-r0503.radio" --files "$plain" --link "$work/radio" >"$work/radiosim.log" 2>&1 &
pid=$!
for _ in $(seq 100); do [ -e "$work/radio" ] && break; sleep 0.1; done
[ -e "$work/radio" ] || fail "radiosim did not start: $(cat "$work/radiosim.log")"

# The kit given relative to the current directory, as a technician types it.
status=0
(cd "$work" && XDG_CONFIG_HOME="$work/config" "$cli" program --kit kit --device radio --no-echo --yes \
    >"$work/out" 2>"$work/err" </dev/null) || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q "NOTE: Radio Update is successful" "$work/err" || fail "no success message"
ls "$work/kit/backup/"*.radiodata >/dev/null 2>&1 || fail "no backup of the radio's own data"
[ "$(wc -l <"$work/kit/upgrades.csv")" -eq 2 ] || fail "the upgrade record has no row for the press"
grep -q ",codeplug 3,1,5,Radio Update is successful," "$work/kit/upgrades.csv" || fail "the row: $(tail -n 1 "$work/kit/upgrades.csv")"
echo "corvida-cli program upgraded the radio on $(head -n 1 "$work/radiosim.log")"
