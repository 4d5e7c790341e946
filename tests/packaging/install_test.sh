#!/usr/bin/env bash
# cmake --install into a temporary prefix, checked as a bench meets the installed tree: each program
# answers --help from there, each manual page renders with man, the demo kit lints clean, and kittool
# writes a menu entry for it that desktop-file-validate accepts.
# Usage: install_test.sh BUILD_DIR DESKTOP_PROGRAM(ON|OFF)
set -euo pipefail
build=$1 desktop=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.txt" || { cat "$work/install.txt"; fail "cmake --install"; }

programs=(corvida-cli kittool radiosim)
[ "$desktop" = ON ] && programs+=(corvida)

echo "== each program answers --help from bin/"
for program in "${programs[@]}"; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not there"
    QT_QPA_PLATFORM=offscreen "$prefix/bin/$program" --help >"$work/help.txt" 2>&1 || fail "$program --help"
    grep -qi "usage" "$work/help.txt" || fail "$program --help tells no usage"
done

echo "== man renders each page, with its options, description and examples"
for program in "${programs[@]}"; do
    page=$prefix/share/man/man1/$program.1
    [ -f "$page" ] || fail "share/man/man1/$program.1 is not there"
    MANWIDTH=100 man -P cat -l "$page" >"$work/man.txt" 2>"$work/man.err" || fail "man -l $program.1"
    [ -s "$work/man.err" ] && { cat "$work/man.err"; fail "man complained of $program.1"; }
    for section in NAME SYNOPSIS DESCRIPTION EXAMPLES; do
        grep -q "^$section" "$work/man.txt" || fail "$program.1 has no $section"
    done
    grep -q -- "--help" "$work/man.txt" || fail "$program.1 lacks the options of --help"
done
MANWIDTH=100 man -P cat -l "$prefix/share/man/man1/kittool.1" | grep -q "launcher" ||
    fail "kittool.1 does not list the launcher command"

echo "== the demo kit and radiosim's radios are in share/corvida"
kit=$prefix/share/corvida/kits/demo
[ -f "$kit/patcher.dat" ] || fail "the demo kit is not there"
"$prefix/bin/kittool" lint "$kit" >"$work/lint.txt" || { cat "$work/lint.txt"; fail "the installed demo kit"; }
for radio in kx400 kx600; do
    [ -f "$prefix/share/corvida/radios/$radio.radio" ] || fail "radios/$radio.radio is not there"
done
[ -f "$prefix/share/corvida/kits/demo-src/fw_256k" ] || fail "the demo kit's plain images are not there"

echo "== kittool launcher: a menu entry for the installed demo kit"
title=$("$prefix/bin/kittool" show "$kit" | sed -n 's/^Title: *//p')
[ -n "$title" ] || fail "the demo kit shows no title"
"$prefix/bin/kittool" launcher "$kit" -o "$work/demo.desktop" >/dev/null || fail "kittool launcher -o"
desktop-file-validate "$work/demo.desktop" || fail "desktop-file-validate refused the kit's entry"
grep -qxF "Name=$title" "$work/demo.desktop" || fail "the entry is not named with the kit's title"
grep -qxF "Path=$kit" "$work/demo.desktop" || fail "the entry does not start in the kit's folder"
grep -qx "Exec=corvida" "$work/demo.desktop" || fail "the entry does not start corvida"
written=$(env -u XDG_DATA_HOME HOME="$work/home" "$prefix/bin/kittool" launcher "$kit")
[ "$written" = "$work/home/.local/share/applications/corvida-demo.desktop" ] ||
    fail "the entry went to $written, not the user's applications folder"
cmp -s "$written" "$work/demo.desktop" || fail "the two entries differ"

if [ "$desktop" = ON ]; then
    echo "== the desktop program's entry and icons"
    desktop-file-validate "$prefix/share/applications/corvida.desktop" || fail "corvida.desktop"
    [ -f "$prefix/share/icons/hicolor/scalable/apps/corvida.svg" ] || fail "the SVG icon is not there"
    for size in 16 32 48 256; do
        [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/corvida.png" ] || fail "the ${size} px icon"
    done
fi
echo "== the installed tree is complete"
