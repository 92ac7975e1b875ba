#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The udev rule keeps ModemManager off the adapters only when its jumps are
# right. First, no negated key that walks up the parents (SUBSYSTEMS!=,
# ATTRS{..}!=, ...): it holds as soon as any one parent differs, so a jump on
# it skips every device. Then, as root with udevadm, the rule's own jumps run
# by `udevadm test` on a tty of this machine whose ancestry mixes subsystems
# (a serial port under its platform bus), the adapter lines swapped for one of
# the same shape naming that tty's outermost parent: the variable must be set.
# The old shape (a SUBSYSTEMS!= jump) run the same way must not set it, which
# shows the check tells the two apart. The rule files are written to a tmpfs
# over /etc/udev/rules.d in a mount namespace of its own: the machine's rules
# are left as they were.
# Usage: udev-rule-test.sh RULE_FILE; exit 77 when udevadm cannot run here.
set -euo pipefail
rule="$1"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

negated="$(grep -nE '^[^#]*(SUBSYSTEMS|KERNELS|DRIVERS|TAGS|ATTRS\{[^}]*\})!=' "$rule" || true)"
[ -z "$negated" ] || fail "negated parent-match key, true as soon as one parent differs: $negated"
grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' "$rule" || fail "the rule sets no ID_MM_DEVICE_IGNORE"

skip() {
    echo "udevadm part skipped: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "needs root (a mount namespace over /etc/udev/rules.d)"
command -v udevadm >/dev/null || skip "no udevadm (Debian package udev)"
unshare --mount true 2>/dev/null || skip "no mount namespace here"

# A tty with a parent of another subsystem: "KERNEL SUBSYSTEM" of its outermost one.
device="" parent=""
for tty in /sys/class/tty/*; do
    parent="$(udevadm info -a "$tty" 2>/dev/null | awk -F'"' '
        /^ *KERNELS==/ { kernel = $2 }
        /^ *SUBSYSTEMS==/ && $2 != "" && $2 != "tty" { found = kernel " " $2 }
        END { print found }')"
    [ -n "$parent" ] && device="$tty" && break
done
[ -n "$device" ] || skip "no tty here has a parent device of another subsystem"
read -r kernel subsystem <<<"$parent"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
match="SUBSYSTEMS==\"$subsystem\", KERNELS==\"$kernel\", ENV{ID_MM_DEVICE_IGNORE}=\"1\""
# The shipped rule with its adapter lines replaced by the one match line.
awk -v match_line="$match" '
    /ENV\{ID_MM_DEVICE_IGNORE\}/ { if (!done) print match_line; done = 1; next }
    { print }' "$rule" >"$scratch/shipped.rules"
# The old shape: a jump over everything when some parent is not of the subsystem.
awk -v jump="SUBSYSTEMS!=\"$subsystem\", GOTO=\"kelguitool_end\"" '
    { print } /^ACTION==/ { print jump }' "$scratch/shipped.rules" >"$scratch/negated.rules"

# Prints ID_MM_DEVICE_IGNORE as udevadm test sets it under each rule file.
cat >"$scratch/probe.sh" <<'PROBE'
set -eu
mount -t tmpfs kel-udev-test /etc/udev/rules.d
for rules in "$@"; do
    [ "$rules" = "${rules#--device=}" ] || { device="${rules#--device=}"; continue; }
    cp "$rules" /etc/udev/rules.d/60-kelguitool-serial-adapters.rules
    value="$(udevadm test --action=add "$device" 2>/dev/null | sed -n 's/^ID_MM_DEVICE_IGNORE=//p')"
    echo "${rules##*/} ${value:-unset}"
done
PROBE
results="$(unshare --mount --propagation private sh "$scratch/probe.sh" --device="$device" \
    "$scratch/shipped.rules" "$scratch/negated.rules")" || fail "udevadm test did not run: $results"
echo "device $device, parent $kernel ($subsystem):"
echo "$results"
grep -qx 'shipped.rules 1' <<<"$results" || fail "the shipped rule's jumps skip a matching device"
grep -qx 'negated.rules unset' <<<"$results" ||
    fail "the negated jump set the variable too: this check cannot tell the shapes apart"
echo "udev rule: passes"
