#!/bin/sh
# Runs a test program inside a private network and mount namespace: loopback is the only
# interface, /etc/hosts names the test sites and the resolver points at loopback, so no test can
# send a packet to, or look a name up at, any other address. Where namespaces are not permitted
# the test is skipped (exit 77), except under CI=true, where that is a failure.
if ! unshare -rnm true 2>/dev/null; then
    if [ "$CI" = "true" ]; then
        echo "private network namespaces are not permitted on this machine" >&2
        exit 1
    fi
    echo "SKIP: private network namespaces are not permitted on this machine" >&2
    exit 77
fi
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
printf '127.0.0.1 localhost\n127.0.0.1 example.de www.shop.com site.test www.site.test\n' > "$T/hosts"
printf 'nameserver 127.0.0.1\n' > "$T/resolv"
unshare -rnm sh -c '
    ip link set lo up || exit 1
    mount --bind "$0/hosts" /etc/hosts || exit 1
    mount --bind "$0/resolv" /etc/resolv.conf || exit 1
    DUNMERE_PRIVATE_NET=1 exec "$@"' "$T" "$@"
