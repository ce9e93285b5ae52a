#!/bin/sh
# Proves the README's set-up on a fresh, minimal Debian: makes a new chroot of
# the release (mmdebstrap, the "apt" variant plus make, git and
# ca-certificates), clones the committed tree into it, runs `make test` there
# as a new user would, then `make package` and installs the package. Once
# installed, tests/e2e/test_package.py --installed proves, offline, that a
# user's own names file and an administrator's are used, and that installing
# the package again and purging it leave both as they were.
#
#   tools/test-debian.sh 12|13        (as root; MIRROR overrides the mirror)
#
# The install step has the network; the tests run in a network namespace of
# their own, so that the chroot's X, Wayland and sound servers cannot meet
# the host's (abstract sockets belong to the network namespace). Downloaded
# packages are kept in /var/cache/drillix-debian/RELEASE between runs: the
# chroot itself is new every time.
set -eu

case "${1:-}" in
    12) suite=bookworm ;;
    13) suite=trixie ;;
    *) echo "usage: $0 12|13" >&2; exit 2 ;;
esac
release=$1
if [ "$(id -u)" -ne 0 ]; then
    echo "test-debian: chroots need root" >&2
    exit 2
fi

repo=$(cd "$(dirname "$0")/.." && git rev-parse --show-toplevel)
mirror=${MIRROR:-http://deb.debian.org/debian}
cache=/var/cache/drillix-debian/$release
jobs=${JOBS:-$(nproc)}

if ! command -v mmdebstrap >/dev/null 2>&1; then
    echo "test-debian: installing mmdebstrap"
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
fi

root=$(mktemp -d "${TMPDIR:-/var/tmp}/drillix-debian-$release.XXXXXX")
log=$root.log
# Processes left behind in the chroot are ended before the tree goes; the
# mounts live in a mount namespace of their own and vanish with it, and
# --one-file-system keeps rm out of anything still bound.
cleanup() {
    for link in /proc/[0-9]*/root; do
        if [ "$(readlink "$link" 2>/dev/null)" = "$root" ]; then
            pid=${link#/proc/}
            kill -9 "${pid%/root}" 2>/dev/null || true
        fi
    done
    rm -rf --one-file-system "$root"
    rm -f "$log"
}
trap cleanup EXIT INT TERM

now() { date +%s; }
step() { echo "test-debian $release: $*"; }

start=$(now)
step "making a minimal Debian $release ($suite) in $root"
mmdebstrap --quiet --variant=apt --include=make,git,ca-certificates \
    "$suite" "$root" "deb $mirror $suite main" >"$log" 2>&1 || { cat "$log"; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone --quiet --no-hardlinks "$repo" "$root/root/drillix"
mkdir -p "$cache"
made=$(now)

# Runs a shell command in the chroot as root, with the environment of a
# fresh login and the mounts a Debian system has; with "offline" first, in a
# network namespace of its own with only the loopback device up.
inside() {
    net=""
    if [ "$1" = offline ]; then
        net="--net"
        shift
    fi
    # shellcheck disable=SC2016
    unshare $net --mount --propagation private sh -c '
        cache=$1 r=$2; shift 2
        ip link set lo up
        mount -t proc proc "$r/proc"
        mount --bind /sys "$r/sys"
        mount --bind /dev "$r/dev"
        mount --bind /dev/pts "$r/dev/pts"
        mount --bind /dev/shm "$r/dev/shm"
        mount --bind "$cache" "$r/var/cache/apt/archives"
        exec chroot "$r" /usr/bin/env -i HOME=/root LANG=C.UTF-8 JOBS="$JOBS" \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            /bin/sh -c "$1"' sh "$cache" "$root" "$1"
}
export JOBS="$jobs"

step "installing what the README's commands need (make deps)"
inside 'cd /root/drillix && make deps'
installed=$(now)

step "make test, offline"
status=0
inside offline 'cd /root/drillix && make test' || status=$?
tested=$(now)

if [ "$status" -eq 0 ]; then
    step "make package, and installing the package"
    inside offline 'cd /root/drillix && make package' || status=$?
fi
if [ "$status" -eq 0 ]; then
    deb=$(cd "$root/root/drillix/build" && ls veltmora-drillix_*.deb)
    case "$deb" in
        *"+deb$release"*) ;;
        *) echo "test-debian: the package $deb does not name Debian $release" >&2; status=1 ;;
    esac
fi
if [ "$status" -eq 0 ]; then
    inside "cd /root/drillix/build && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./$deb >/dev/null &&
        dpkg-query -W veltmora-drillix && test -x /usr/bin/veltmora-drillix" || status=$?
fi
if [ "$status" -eq 0 ]; then
    step "a user's and an administrator's side files, across a reinstall and a purge"
    inside offline "cd /root/drillix && python3 tests/e2e/test_package.py --installed build/$deb \
        --program /usr/bin/veltmora-drillix --artifacts /root/package-artifacts" || status=$?
fi
packaged=$(now)

step "mmdebstrap $((made - start)) s, make deps $((installed - made)) s," \
    "make test $((tested - installed)) s, package $((packaged - tested)) s; status $status"
exit "$status"
