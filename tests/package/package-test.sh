#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The .deb as a user gets it: made by CPack from this build, unpacked into a
# scratch root (no root rights, no container), every file it lists there, the
# installed programs answering --version, the manual and completion in place,
# sane control fields, and no lintian error when lintian is installed. Packed
# twice, it is the same bytes, every file dated by the commit.
# Usage: package-test.sh BUILD_DIR VERSION CPACK SOURCE_DIR
set -euo pipefail
build="$1" version="$2" cpack="$3" source="$4"
scratch="$build/tests/package-scratch"
rm -rf "$scratch"
mkdir -p "$scratch"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$scratch/cpack.log")"
deb="$scratch/out/kelguitool_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb; made: $(ls "$scratch/out")"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/again" >"$scratch/cpack.log" 2>&1 ||
    fail "cpack again: $(cat "$scratch/cpack.log")"
cmp "$deb" "$scratch/again/${deb##*/}" || fail "packed twice, the .deb differs"
dates="$(dpkg-deb --fsys-tarfile "$deb" | tar -tv --full-time | awk '{print $4, $5}' | sort -u)"
[ "$(wc -l <<<"$dates")" = 1 ] || fail "the files carry more than one date: $dates"

info="$(dpkg-deb --info "$deb")"
for field in "Package: kelguitool" "Version: $version" "Architecture: $(dpkg --print-architecture)" \
    "Section: comm" "Maintainer: " "Description: "; do
    grep -q "^ $field" <<<"$info" || fail "dpkg-deb --info lacks '$field'"
done
# Dependencies come from the binaries, plus Qt's display plugins.
depends="$(sed -n 's/^ Depends: //p' <<<"$info")"
for library in libc6 libqt6widgets6 libsqlite3-0 libpqxx qt6-qpa-plugins; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
while read -r listed; do
    [ -e "$root/$listed" ] || fail "$listed is listed but not unpacked"
done < <(dpkg-deb -c "$deb" | awk '{print $6}')
for file in usr/bin/kelGuiTool usr/bin/kel-rftest usr/bin/kel-virtual-board \
    usr/share/applications/kelGuiTool.desktop usr/share/applications/kelGuiTool-station.desktop \
    usr/share/icons/hicolor/scalable/apps/kelGuiTool.svg \
    usr/share/icons/hicolor/256x256/apps/kelGuiTool.png \
    usr/share/man/man1/kel-rftest.1.gz usr/share/man/man1/kelGuiTool.1.gz \
    usr/share/man/man1/kel-virtual-board.1.gz usr/share/man/man5/kel-rftest-plan.5.gz \
    usr/share/bash-completion/completions/kel-rftest \
    usr/lib/udev/rules.d/60-kelguitool-serial-adapters.rules \
    usr/share/doc/kelguitool/copyright usr/share/doc/kelguitool/changelog.gz \
    usr/share/doc/kelguitool/NEWS.Debian.gz usr/share/doc/kelguitool/README.md \
    usr/share/lintian/overrides/kelguitool \
    usr/share/doc/kelguitool/guide.md usr/share/doc/kelguitool/images/console-connected.png; do
    [ -f "$root/$file" ] || fail "the package lacks /$file"
done
# Every example plan of the tree ships.
for plan in "$source"/examples/*.toml; do
    [ -e "$plan" ] || continue
    [ -f "$root/usr/share/doc/kelguitool/examples/${plan##*/}" ] || fail "the package lacks the plan ${plan##*/}"
done
# So does every instrument profile, where kel-rftest --profile NAME finds it.
for profile in "$source"/instruments/*.toml; do
    [ -f "$root/usr/share/kelguitool/instruments/${profile##*/}" ] ||
        fail "the package lacks the instrument profile ${profile##*/}"
done

# The installed programs run and name the packaged version; the console's
# answer needs no display.
for program in kel-rftest kelGuiTool kel-virtual-board; do
    line="$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version | head -1)"
    [[ $line == "$program $version"* ]] || fail "$program --version said '$line'"
done
# The manual is the program's help and the hand-written part
# (manual-test.sh checks every option).
page="$(gzip -dc "$root/usr/share/man/man1/kel-rftest.1.gz")"
for text in 'loop' '\.SH "EXIT STATUS"' '\.SH ENVIRONMENT' '\.SH EXAMPLES' 'KEL_RESULTS'; do
    grep -q "$text" <<<"$page" || fail "kel-rftest(1) lacks $text"
done
# As Debian strips: no compiler notes left in the programs.
for program in kel-rftest kelGuiTool kel-virtual-board; do
    ! readelf -S "$root/usr/bin/$program" | grep -q '\.comment' || fail "$program keeps .comment"
done
grep -q 'ID_MM_DEVICE_IGNORE}="1"' "$root/usr/lib/udev/rules.d/60-kelguitool-serial-adapters.rules" ||
    fail "the udev rule does not keep ModemManager off"

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 ||
        fail "lintian: $(cat "$scratch/lintian.log")"
else
    echo "lintian not installed: skipped"
fi
echo "package: $deb passes"
