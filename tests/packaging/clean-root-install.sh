#!/usr/bin/env bash
# The Debian package as a user gets it: built with cpack, installed with dpkg -i into a fresh
# Debian root that has nothing but the minimal base system, its dependencies brought by apt
# from the Debian mirror, then a picture captured with the installed tavelo-cli.
#
#   clean-root-install.sh BUILD_DIR            the whole test
#   clean-root-install.sh BUILD_DIR make-root  only the base system's tarball (CI starts it
#                                              beside the compile; the test waits for it)
#
# The base system is made once per build folder (BUILD_DIR/clean-root/) and unpacked afresh
# for every run. Exit 77 (skipped) unless TAVELO_CLEAN_ROOT=1, without root, without
# mmdebstrap or debootstrap, or when the mirror cannot be reached.
set -euo pipefail
build=$(cd "$1" && pwd)
suite=bookworm
cache="$build/clean-root"
tarball="$cache/$suite-minbase.tar"

skip() { echo "SKIPPED: $*"; exit 77; }
step_start=$(date +%s)
step() {
    local now
    now=$(date +%s)
    echo "== $* (+$((now - step_start)) s)"
}

[ "$(id -u)" -eq 0 ] || skip "installing into a root needs root"

make_root() {
    mkdir -p "$cache"
    exec 9> "$cache/lock"
    flock 9  # a second caller waits for the first one's tarball
    [ -s "$tarball" ] && return 0
    rm -f "$tarball.part"
    if command -v mmdebstrap > /dev/null; then
        # The package lists are kept, so the test needs no `apt-get update` of its own.
        mmdebstrap --quiet --variant=minbase --skip=cleanup/apt/lists --format=tar \
            "$suite" "$tarball.part" || return 1
    elif command -v debootstrap > /dev/null; then
        local dir="$cache/debootstrap"
        rm -rf "$dir"
        debootstrap --variant=minbase "$suite" "$dir" > "$cache/debootstrap.log" 2>&1 || return 1
        chroot "$dir" apt-get update -qq || return 1
        tar -C "$dir" -cf "$tarball.part" . && rm -rf "$dir"
    else
        return 2
    fi
    mv "$tarball.part" "$tarball"
}

if [ "${2:-}" = make-root ]; then
    make_root
    exit $?
fi

if [ "${TAVELO_CLEAN_ROOT:-}" != 1 ]; then
    skip "the clean-root install downloads a base system and the Qt libraries from the" \
        "Debian mirror and takes minutes, more than CI can spend; run it with TAVELO_CLEAN_ROOT=1"
fi

step "base system"
status=0
make_root || status=$?
[ $status -eq 2 ] && skip "neither mmdebstrap nor debootstrap is installed"
[ $status -ne 0 ] && skip "no minimal Debian root could be made (is the Debian mirror reachable?)"

work=$(mktemp -d "$build/clean-root/run.XXXXXX")
cleanup() {
    umount -R "$work/root/proc" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

step "package"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" > "$work/cpack.log" ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/package/*.deb)
echo "$(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Depends
dpkg -c "$deb"

step "fresh root"
mkdir "$work/root"
tar -C "$work/root" -xf "$tarball"
cp /etc/resolv.conf "$work/root/etc/resolv.conf"
cp "$deb" "$work/root/tmp/tavelo.deb"
# Packages this machine already downloaded are the mirror's own files; apt checks each
# against the package lists' hashes before using it, and fetches the rest.
in_root() { unshare --mount --fork chroot "$work/root" /bin/sh -c "mount -t proc proc /proc && $1"; }

step "dpkg -i"
status=0
in_root "dpkg -i /tmp/tavelo.deb" || status=$?
echo "dpkg -i ended with $status (the dependencies are not there yet)"
in_root "apt-get install -f -y --print-uris -qq" | sed -n "s/^'[^']*' \([^ ]*\) .*/\1/p" |
    while read -r file; do
        [ -f "/var/cache/apt/archives/$file" ] &&
            ln -f "/var/cache/apt/archives/$file" "$work/root/var/cache/apt/archives/$file" || true
    done

step "apt-get install -f"
in_root "DEBIAN_FRONTEND=noninteractive apt-get install -f -y -qq --no-install-recommends" \
    > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
grep -E "^(Setting up tavelo|[0-9]+ upgraded)" "$work/apt.log" || true
in_root "dpkg-query -W -f='\${Status} \${Version}\n' tavelo"

step "run"
in_root "cd /tmp && tavelo-cli --simulate capture -o x.jpg && tavelo --version &&
    test \"\$(od -An -tx1 -N3 x.jpg | tr -d ' ')\" = ffd8ff && echo x.jpg is a JPEG file"
step "done"
