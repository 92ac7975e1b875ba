#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of kel-rftest against the built program: what a Tab
# offers after a few prefixes. Usage: completion-test.sh COMPLETION_SCRIPT BIN_DIR
set -uo pipefail
script="$1"
PATH="$2:$PATH"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/points.csv" "$scratch/line.toml"
# shellcheck source=/dev/null
source "$script"

failures=0
# expect "WORDS..." "EXPECTED REPLY" (sorted, space-separated); the last word
# is the one being completed.
expect() {
    local -a words
    read -ra words <<<"$1"
    [[ $1 == *" " ]] && words+=("")
    COMP_WORDS=(kel-rftest "${words[@]}")
    COMP_CWORD=${#words[@]}
    COMPREPLY=()
    _kel_rftest
    local got
    got="$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)"
    if [[ $got != "$2" ]]; then
        echo "FAIL: kel-rftest $1<Tab> gave '$got', expected '$2'"
        failures=$((failures + 1))
    fi
}

expect "sw" "sweep-rx"
expect "res" "results"
expect "plan " "check run"
expect "plan run --j" "--json --junit"
expect "-m Q" "$(kel-rftest --complete-values models | sort | xargs)"
expect "-m QB202 --channel 6 --rate 5" "5.5 52 54 58.5"
expect "--channel 6 sweep-rx --ra" "--rate --rates"
expect "sweep-rx --channels 1,1" "1,1 1,10 1,11 1,12 1,13 1,14"
expect "mac " "get set"
expect "--json results export --format " "csv json"
expect "sdd-export $scratch/p" "$scratch/points.csv"
expect "sweep-rx --csv $scratch/l" "$scratch/line.toml"
# Only their own options under the commands the usage lines name.
expect "results runs --" "--board --dut --from --help --limit --since"
expect "plan run --m" ""
# -p: serial devices by path, or by bare name as -p takes them; never the
# virtual consoles tty0..tty63.
serial="$(ls -d /dev/ttyUSB* /dev/ttyACM* /dev/ttyS* 2>/dev/null | sort | xargs)"
expect "-p /dev/tt" "$serial"
expect "plan run line.toml -p tty" "$(xargs -n1 basename <<<"$serial" 2>/dev/null | sort | xargs)"
COMP_WORDS=(kel-rftest -p "") COMP_CWORD=2 COMPREPLY=()
_kel_rftest
for offered in "${COMPREPLY[@]}"; do
    [[ $offered =~ ^(/dev/)?tty[0-9]*$ ]] && {
        echo "FAIL: -p offers the console $offered"
        failures=$((failures + 1))
    }
done

# Every subcommand --help lists is offered at the top.
listed="$(kel-rftest --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][^ ]*\).*/\1/p' | sort | xargs)"
COMP_WORDS=(kel-rftest "") COMP_CWORD=1 COMPREPLY=()
_kel_rftest
for subcommand in $listed; do
    [[ " ${COMPREPLY[*]} " == *" $subcommand "* ]] || {
        echo "FAIL: $subcommand is not offered"
        failures=$((failures + 1))
    }
done
[[ -n $listed ]] || { echo "FAIL: no subcommands in --help"; failures=$((failures + 1)); }

((failures == 0)) && echo "completion: all cases pass"
exit $((failures > 0))
