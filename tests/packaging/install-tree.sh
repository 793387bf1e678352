#!/usr/bin/env bash
# `cmake --install` into a staging folder: every file lands below the prefix, the desktop
# entry and the AppStream data validate and share one id, the icons have their sizes, and
# the manual pages format cleanly and document every option the programs' --help lists.
set -euo pipefail
build=$1
id=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=/opt/tavelo-test
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" > /dev/null
root="$stage$prefix"
outside=$(cd "$stage" && find . -type f | grep -v "^\.$prefix/" || true)
[ -z "$outside" ] || fail "installed outside the prefix: $outside"

expected=(
    bin/tavelo bin/tavelo-cli libexec/tavelo/tavelo-reader
    lib/udev/rules.d/70-tavelo-camera.rules
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
    share/man/man1/tavelo.1 share/man/man1/tavelo-cli.1
    share/icons/hicolor/scalable/apps/tavelo.svg
)
for size in 16 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/tavelo.png")
done
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "not installed: $file"
done

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in 16 24 32 48 64 128 256; do
    png="$root/share/icons/hicolor/${size}x${size}/apps/tavelo.png"
    [ -f "$png" ] || continue
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $dims"
done

echo "== desktop-file-validate"
desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop entry"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "AppStream data"
grep -q "<id>$id</id>" "$root/share/metainfo/$id.metainfo.xml" || fail "AppStream id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$root/share/metainfo/$id.metainfo.xml" || fail "AppStream launchable is not $id.desktop"
version=$("$root/bin/tavelo-cli" --version | awk '{print $2}')
grep -q "<release version=\"$version\"" "$root/share/metainfo/$id.metainfo.xml" ||
    fail "no AppStream release for $version"

echo "== manual pages"
for program in tavelo tavelo-cli; do
    page="$root/share/man/man1/$program.1"
    warnings=$(LC_ALL=C groff -man -ww -z "$page" 2>&1 || true)
    [ -z "$warnings" ] || fail "$program.1: $warnings"
    grep -q "^\.TH .*\"Tavelo $version\"" "$page" || fail "$program.1 is not for version $version"
    text=$(sed 's/\\-/-/g' "$page")
    # Every long option the program's help names; tavelo's help needs no display.
    for option in $(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
                    "$root/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -q -- "$option" <<< "$text" || fail "$program.1 does not document $option"
    done
done

if [ $failures -gt 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "the install tree is complete"
