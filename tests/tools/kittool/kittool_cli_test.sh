#!/usr/bin/env bash
# kittool from the command line, checked against tools we did not write: srec_cat reads and writes
# the S-records, cmp compares the bytes.
# Usage: kittool_cli_test.sh KITTOOL DEMO_KIT DEMO_KIT_PLAIN
set -euo pipefail
kittool=$1 kit=$2 plain=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAILED: $*"; exit 1; }

# Pseudo-random bytes from a seed, so that a failing run can be repeated: KITTOOL_TEST_SEED=n.
seed=${KITTOOL_TEST_SEED:-20261210}
echo "== test data from seed $seed"
seeded_bytes() { # SEED COUNT
    perl -e 'binmode STDOUT; srand($ARGV[0]); print pack("C*", map { int(rand(256)) } 1 .. $ARGV[1])' "$1" "$2"
}

echo "== the demo kit lints clean"
"$kittool" lint "$kit" >"$work/lint.txt" || { cat "$work/lint.txt"; fail "lint of the demo kit"; }

echo "== every demo image reads as srec_cat reads it"
for image in fw_128k fw_256k fw_512k zr5_19k2.s19 zr5_38k4.s19 zr5_115k.s19 q7_19k2.s19 q7_38k4.s19 q7_115k.s19 \
             kx400s_eu.s19 kx400_eu.s19 kx400s.s19 kx400.s19 kx600.s19; do
    "$kittool" image "$kit/$image" -o "$work/ours.bin" >/dev/null || fail "kittool image $image"
    # Firmware records at absolute flash addresses (0x400000 and up) belong where the relative ones do.
    srec_cat "$plain/$image" -crop 0 0x400000 "$plain/$image" -crop 0x400000 0x1000000 -offset -0x400000 \
        -o "$work/theirs.bin" -binary 2>/dev/null || fail "srec_cat $image"
    cmp -s "$work/ours.bin" "$work/theirs.bin" || fail "$image: images differ"
done

echo "== S-records that srec_cat writes read back as the bytes they came from"
seeded_bytes "$seed" 5000 >"$work/random.bin"
srec_cat "$work/random.bin" -binary -o "$work/clean.s19" -motorola -Output_Block_Size=32 \
    -Execution_Start_Address=0 -disable=header -disable=data-count
"$kittool" image "$work/clean.s19" -o "$work/clean.bin" >/dev/null || fail "image of srec_cat's records"
cmp -s "$work/random.bin" "$work/clean.bin" || fail "srec_cat's records read wrong"
# With a header and a count record but no end record: the same bytes, and exit 1 for what the program
# would refuse.
srec_cat "$work/random.bin" -binary -o "$work/full.s19" -motorola -Output_Block_Size=32
if "$kittool" image "$work/full.s19" -o "$work/full.bin" >"$work/full.txt"; then fail "no problem reported"; fi
grep -q "an S0 record" "$work/full.txt" || fail "the header record is not reported"
grep -q "without its S9 end record" "$work/full.txt" || fail "the missing end record is not reported"
cmp -s "$work/random.bin" "$work/full.bin" || fail "header and count records leaked into the image"

echo "== encrypt and decrypt round-trip files with each kind of key"
printf 'PATCH-D01.01.07\r\nno zero bytes in a text\r\n' >"$work/text"
seeded_bytes "$((seed + 1))" 4096 >"$work/binary"
for key in "--key=some key" "--program-key" "--kit=$kit"; do
    "$kittool" encrypt "$work/text" "$work/text.enc" "$key"
    "$kittool" decrypt "$work/text.enc" "$work/text.dec" "$key"
    cmp -s "$work/text" "$work/text.dec" || fail "text round trip with $key"
    "$kittool" encrypt "$work/binary" "$work/binary.enc" "$key"
    "$kittool" decrypt --raw "$work/binary.enc" "$work/binary.dec" "$key"
    cmp -s "$work/binary" "$work/binary.dec" || fail "binary round trip with $key"
    cmp -s "$work/binary" "$work/binary.enc" && fail "encrypt changed nothing with $key"
done
"$kittool" decrypt "$kit/patcher.dat" "$work/patcher.txt" --program-key
cmp -s "$work/patcher.txt" "$plain/patcher.txt" || fail "patcher.dat does not decipher to its source"

echo "== codeplug set changes one field and its checksum byte, and the result still holds"
srec_cat "$plain/kx400s.s19" -o "$work/kx400s.bin" -binary 2>/dev/null || fail "srec_cat kx400s.s19"
"$kittool" codeplug show "$kit/kx400s.s19" >"$work/show.txt" || { cat "$work/show.txt"; fail "codeplug show"; }
"$kittool" codeplug set "$kit/kx400s.s19" 0x2C 1 0 3 04 -o "$work/patched.bin" >/dev/null || fail "codeplug set"
[ "$(cmp -l "$work/kx400s.bin" "$work/patched.bin" | wc -l)" -eq 2 ] || fail "codeplug set changed other than 2 bytes"
"$kittool" codeplug show "$work/patched.bin" >/dev/null || fail "the patched image's checksums"
[ "$("$kittool" codeplug get "$work/patched.bin" 0x2C 1 0 3)" = "04" ] || fail "codeplug get"

echo "== show prints the kit"
# Into a file first: grep -q stops reading at its match, and under pipefail kittool's broken pipe would
# fail the check.
"$kittool" show "$kit" > "$work/show.txt"
grep -q "Patch section for model entry 1:" "$work/show.txt" || fail "show"

echo "All kittool command-line checks passed"
