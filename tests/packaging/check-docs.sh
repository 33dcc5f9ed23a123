#!/usr/bin/env bash
# The manual pages render without a warning and name every command and option that the
# programs' --help lists; the bash completion offers velmar's commands, options, type names and
# ports.
#   check-docs.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build=$2
pages=$source_dir/packaging/man
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
command -v groff >/dev/null || {
  echo "SKIP: groff is not installed (scripts/bootstrap test installs groff-base)"
  exit 77
}

for page in "$pages"/*.1; do
  warnings=$(groff -ww -z -man -Tutf8 "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff -ww on $(basename "$page"): $warnings"
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man -l on $(basename "$page"): $warnings"
  fi
done

# The commands of a program's help, and the long options its commands' helps list.
commands_of() { "$@" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p'; }
options_of() { "$@" --help | grep -E '^  -' | grep -oE -- '--[a-z][a-z-]*' | sort -u; }
# In roff every '-' of an option is '\-'.
in_page() { grep -qF -- "$(printf '%s' "$2" | sed 's/-/\\-/g')" "$pages/$1"; }

velmar=$build/cli/velmar
sim=$build/tools/plotter-sim/velmar-plotter-sim
velmar_commands=$(commands_of "$velmar")
[ -n "$velmar_commands" ] || fail "velmar --help lists no commands"
for command in $velmar_commands; do
  in_page velmar.1 ".SS \"velmar $command" || fail "velmar.1 has no section for $command"
  for option in $(options_of "$velmar" "$command"); do
    in_page velmar.1 "$option" || fail "velmar.1 does not name $command $option"
  done
done
if [ -x "$sim" ]; then
  for command in $(commands_of "$sim"); do
    in_page velmar-plotter-sim.1 "$command" || fail "velmar-plotter-sim.1 does not name $command"
    for option in $(options_of "$sim" "$command"); do
      in_page velmar-plotter-sim.1 "$option" || fail "velmar-plotter-sim.1 does not name $option"
    done
  done
fi
if [ -x "$build/ui/velmar-toolkit" ]; then
  for option in $(options_of "$build/ui/velmar-toolkit" | grep -v -- --help-all); do
    in_page velmar-toolkit.1 "$option" || fail "velmar-toolkit.1 does not name $option"
  done
fi

# What the completion offers for the words so far (the last one being completed).
offers() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _velmar
           printf "%s\n" "${COMPREPLY[@]}"' _ "$source_dir/packaging/velmar.bash-completion" "$@"
}
expect_offers() { # WORDS... -- EXPECTED...
  local words=() offered
  while [ "$1" != -- ]; do
    words+=("$1")
    shift
  done
  shift
  offered=$(offers "${words[@]}")
  for word in "$@"; do
    grep -qxF -- "$word" <<<"$offered" || fail "completing '${words[*]}' does not offer $word"
  done
}
expect_offers velmar "" -- $velmar_commands
types=$("$velmar" convert --help | grep -oE 'TYPE:\{[^}]*\}' | head -1 | sed 's/TYPE:{//; s/}//' | tr , ' ')
[ -n "$types" ] || fail "velmar convert --help names no types"
expect_offers velmar convert --from "" -- $types
expect_offers velmar convert --from s41 --to "" -- $types
expect_offers velmar convert --to h -- hub
for command in $velmar_commands; do
  expect_offers velmar "$command" - -- $(options_of "$velmar" "$command")
done
expect_offers velmar read --device s41 --port "" -- COM1 COM9
expect_offers velmar write --device "" -- s41 s5 s6

[ "$failures" -eq 0 ] || exit 1
echo "manual pages and completion agree with the programs"
