#!/usr/bin/env bash
# kvs's shell completions: each names every command and every long option
# that kvs's own help lists, and each loads in its shell and completes
# commands, options and the values of options.
# Usage: check_completions.sh KVS COMPLETIONS_DIR
set -euo pipefail
kvs=$1 dir=$2
fail() { echo "check_completions: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch XDG_CONFIG_HOME=$scratch XDG_DATA_HOME=$scratch XDG_CACHE_HOME=$scratch

# Nothing the help lists is missing from a script.
commands=$("$kvs" --help | awk '/^Subcommands:/ { listed = 1; next } !NF { listed = 0 } listed { print $1 }')
[ -n "$commands" ] || fail "kvs --help lists no commands"
for command in $commands; do
  grep -qw "$command" "$dir/kvs.bash" "$dir/_kvs" || fail "a script lacks the command $command"
  grep -q -- "-a $command" "$dir/kvs.fish" || fail "kvs.fish lacks the command $command"
  for option in $("$kvs" "$command" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    for script in kvs.bash _kvs; do
      grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" "$dir/$script" || fail "$script lacks $command $option"
    done
    grep -qE -- "-l ${option#--}( |$)" "$dir/kvs.fish" || fail "kvs.fish lacks $command $option"
  done
done

expect() {
  local want=$1 got
  shift
  got=$("$@" | tr '\n' ' ' | sed 's/ *$//')
  [ "$got" = "$want" ] || fail "$* completes to '$got', not '$want'"
}

# bash: the words so far, the last one being completed.
in_bash() {
  bash --norc --noprofile -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _kvs 2>/dev/null; printf "%s\n" "${COMPREPLY[@]}"' _ "$dir/kvs.bash" "$@"
}
expect "complete -F _kvs kvs" bash --norc --noprofile -c "source '$dir/kvs.bash'; complete -p kvs"
expect "search study" in_bash kvs s
expect "--header --help" in_bash kvs search t.csv --he
expect "dense described" in_bash kvs search t.csv --method d
expect "text json" in_bash kvs demo --format ""
expect "auto" in_bash kvs search t.csv --scale a
expect "repeat restart" in_bash kvs demo pick:1,2 re
expect "--threads" in_bash kvs study --th

# fish: the command line so far.
in_fish() { fish --no-config -c "source '$dir/kvs.fish'; complete -C '$1'" | cut -f1; }
expect "search study" in_fish "kvs s"
expect "--header --help" in_fish "kvs search t.csv --he"
expect "dense described" in_fish "kvs search t.csv --method d"
expect "--export-series" in_fish "kvs demo --ex"
expect "auto" in_fish "kvs search t.csv --scale a"

# zsh: the script parses, and compinit takes it as kvs's completion.
zsh -n "$dir/_kvs" || fail "_kvs does not parse"
expect "_kvs" zsh -f -c 'fpath=("$1" $fpath); autoload -Uz compinit; compinit -u -D; print -r -- $_comps[kvs]' _ "$dir"
echo "completions: bash, fish and zsh complete every command and option kvs lists"
