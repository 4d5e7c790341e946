#!/usr/bin/env bash
# The Debian package as dpkg sees it: what it installs, what it depends on (read from the libraries the
# programs link), and a postinst that only tells of the dialout group and needs no network.
# Usage: package_test.sh BUILD_DIR DESKTOP_PROGRAM(ON|OFF)
set -euo pipefail
build=$1 desktop=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.txt" 2>&1 || { cat "$work/cpack.txt"; fail "cpack"; }
debs=("$work"/corvida_*.deb)
[ -f "${debs[0]}" ] || { cat "$work/cpack.txt"; fail "no corvida_*.deb was made"; }
deb=${debs[0]}

echo "== dpkg-deb --info: name, version and dependencies"
dpkg-deb --info "$deb" >"$work/info.txt"
grep -q "^ Package: corvida$" "$work/info.txt" || fail "the package is not called corvida"
grep -q "^ Version: " "$work/info.txt" || fail "no version"
grep -q "^  firmware, programs a new codeplug" "$work/info.txt" || fail "the long description is garbled"
depends=$(sed -n 's/^ Depends: //p' "$work/info.txt")
for library in libc6 libstdc++6 libqt6core6; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
grep -q " postinst" "$work/info.txt" || fail "no postinst"

echo "== the postinst tells of dialout and reaches for nothing"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postinst >"$work/postinst"
grep -q "dialout" "$work/postinst" || fail "the postinst does not mention the dialout group"
if grep -Eq "curl|wget|apt|http|pip|npm" "$work/postinst"; then fail "the postinst reaches for the network"; fi
sh -n "$work/postinst" || fail "the postinst is no valid shell script"

echo "== dpkg-deb --contents: programs, manual pages, the demo kit"
dpkg-deb --contents "$deb" | awk '{print $NF}' >"$work/contents.txt"
programs=(corvida-cli kittool radiosim)
[ "$desktop" = ON ] && programs+=(corvida)
expected=(./usr/share/corvida/kits/demo/patcher.dat ./usr/share/corvida/radios/kx400.radio)
for program in "${programs[@]}"; do
    expected+=("./usr/bin/$program" "./usr/share/man/man1/$program.1")
done
[ "$desktop" = ON ] && expected+=(./usr/share/applications/corvida.desktop
                                  ./usr/share/icons/hicolor/scalable/apps/corvida.svg)
for path in "${expected[@]}"; do
    grep -qxF "$path" "$work/contents.txt" || fail "the package lacks $path"
done
if grep -v "^./usr/" "$work/contents.txt" | grep -qv "^./$"; then
    fail "the package installs outside /usr: $(grep -v '^./usr/' "$work/contents.txt")"
fi
echo "== the package is complete"
