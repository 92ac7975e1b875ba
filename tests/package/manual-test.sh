#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages say everything the programs take. Every option of every
# --help (each kel-rftest subcommand's under that subcommand's own heading)
# is on the rendered page; one EXIT STATUS section each. kel-rftest-plan(5)
# names every step kind and every key the plan reader takes, as the reader
# itself lists them when it refuses an unknown key.
# Usage: manual-test.sh BIN_DIR PAGES_DIR
set -uo pipefail
bin="$1" pages="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
render() { # page file -> plain text, as man shows it
    local page="$1"
    [[ $page == *.gz ]] || page="$(cp "$page" "$scratch/page" && echo "$scratch/page")"
    MANWIDTH=200 LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null
}
# "-p --port --json ...": the spellings in a help text's option lines (the
# examples' continued lines left out).
options_of() {
    sed '/^Examples:/,/^$/d' | grep -oE '^ {2,6}-[^ ]+(, --?[^ ]+)?' |
        tr ',' '\n' | tr -d ' ' | grep -v '^$' | sort -u
}
# The text under a subsection heading ("   plan run") up to the next one.
section_of() {
    awk -v title="   $1" '$0 == title { on = 1; next } on && match($0, /^ *[^ ]/) && RLENGTH <= 4 { exit } on'
}

for program in kel-rftest kelGuiTool kel-virtual-board; do
    text="$(render "$pages/$program.1.gz")"
    [ -n "$text" ] || {
        fail "no page $pages/$program.1.gz"
        continue
    }
    for option in $(env -u DISPLAY "$bin/$program" --help | options_of); do
        grep -qF -- "$option" <<<"$text" || fail "$program(1) lacks $option"
    done
    count="$(grep -c '^EXIT STATUS$' <<<"$text")"
    [ "$count" = 1 ] || fail "$program(1) has $count EXIT STATUS sections"
done

# Every kel-rftest subcommand (and the results and plan commands the usage
# names) has its own heading holding each of its options and positionals.
page="$(render "$pages/kel-rftest.1.gz")"
paths=()
mapfile -t queue < <("$bin/kel-rftest" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][^ ]*\).*/\1/p')
queue+=(results plan)
while ((${#queue[@]})); do
    path="${queue[0]}" queue=("${queue[@]:1}")
    read -ra words <<<"$path"
    help="$("$bin/kel-rftest" "${words[@]}" --help)" || {
        fail "kel-rftest $path --help failed"
        continue
    }
    children="$(sed -n '/^Subcommands:/,/^$/s/^  \([a-z][^ ]*\).*/\1/p' <<<"$help")"
    if [ -n "$children" ]; then
        for child in $children; do queue+=("$path $child"); done
        continue
    fi
    paths+=("$path")
    own="$(section_of "$path" <<<"$page")"
    [ -n "$own" ] || {
        fail "kel-rftest(1) has no heading '$path'"
        continue
    }
    for option in $(options_of <<<"$help" | grep -vx -- '-h\|--help'); do
        grep -qF -- "$option" <<<"$own" || fail "kel-rftest(1) '$path' lacks $option"
    done
    for positional in $(sed -n '/^Positionals:/,/^$/s/^  \([A-Z_]*\) .*/\1/p' <<<"$help"); do
        grep -qw -- "$positional" <<<"$own" || fail "kel-rftest(1) '$path' lacks $positional"
    done
done
((${#paths[@]} > 20)) || fail "only ${#paths[@]} kel-rftest commands found: ${paths[*]}"

# The plan file: every step kind and every key, from the reader's refusals.
plan="$(render "$pages/kel-rftest-plan.5.gz")"
[ -n "$plan" ] || fail "no page kel-rftest-plan(5)"
check() { # the keys a refusal lists: "expected one of: a, b, c"
    "$bin/kel-rftest" plan check "$scratch/plan.toml" 2>&1 |
        sed -n 's/.*unknown key "zz_unknown"; expected one of: //p' | tr ',' '\n' | tr -d ' '
}
printf 'name = "n"\nmodel = "QB101"\nzz_unknown = 1\n[[step]]\ndo = "nothing"\n' >"$scratch/plan.toml"
kinds="$("$bin/kel-rftest" plan check "$scratch/plan.toml" 2>&1 |
    sed -n 's/.*is not a step: //p' | sed 's/ or /, /' | tr ',' '\n' | tr -d ' ')"
keys="$(check)"
if [ -z "$kinds" ] || [ -z "$keys" ]; then
    fail "the plan reader lists no step kinds or keys"
fi
for kind in $kinds; do
    printf 'name = "n"\nmodel = "QB101"\n[[step]]\ndo = "%s"\nzz_unknown = 1\n' "$kind" >"$scratch/plan.toml"
    grep -q "^   $kind$" <<<"$plan" || fail "kel-rftest-plan(5) has no heading for $kind"
    keys+=$'\n'"$(check)"
done
for key in $(sort -u <<<"$keys"); do
    grep -qw -- "$key" <<<"$plan" || fail "kel-rftest-plan(5) lacks the key $key"
done

((failures == 0)) && echo "manual pages: every option and key is there"
exit $((failures > 0))
