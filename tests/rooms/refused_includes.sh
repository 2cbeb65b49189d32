#!/usr/bin/env bash
# Includes against the rooms' rules fail: scripts/check-rooms refuses each kind in a scratch copy
# of the tree, and the compiler refuses a room's include of a room it does not link.
#   refused_includes.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build_dir=$(cd "$2" && pwd)
scratch=$(mktemp -d)
probe_dir=$(mktemp -d) # away from any tree, so that quoted includes find nothing beside it
trap 'rm -rf "$scratch" "$probe_dir"' EXIT
failed=0

# The tree as it is now, uncommitted changes included.
(cd "$source_dir" && git ls-files -z | xargs -0 cp --parents -t "$scratch")
git -C "$scratch" init -q
git -C "$scratch" add -A

# Puts `line` first in `file` (or writes a new one), checks that check-rooms refuses it with
# `message`, and puts the tree back.
refused() {
  local file=$1 line=$2 message=$3 out
  mkdir -p "$scratch/$(dirname "$file")"
  [ -f "$scratch/$file" ] && cp "$scratch/$file" "$scratch/saved" || : >"$scratch/saved"
  { echo "$line"; cat "$scratch/saved"; } >"$scratch/$file"
  git -C "$scratch" add -A
  if out=$("$scratch/scripts/check-rooms" 2>&1); then
    echo "FAIL: check-rooms let through $file: $line"
    failed=1
  elif [[ $out != *"$message"* ]]; then
    echo "FAIL: for $file: $line, check-rooms said: $out"
    failed=1
  fi
  cp "$scratch/saved" "$scratch/$file"
  [ -s "$scratch/$file" ] || rm -f "$scratch/$file"
  git -C "$scratch" add -A
}

refused core/seen_page.cpp '#include "tests/support/named_child.h"' 'core may not include tests/support/named_child.h'
refused core/seen_page.cpp '#include <network/trial_run.h>' 'core may not include network/trial_run.h'
refused core/seen_page.cpp '#include "../network/trial_run.h"' 'core may not include network/trial_run.h'
refused core/seen_page.cpp '  #  include "network/trial_run.h"' 'core may not include network/trial_run.h'
refused core/seen_page.cpp '#include <QString>' 'core may not use Qt Core'
refused output/utf8.cpp '#include "resources/string_table.h"' 'output may not include resources/string_table.h'
refused util/helper.cpp '#include <QWidget>' 'util/: no room of the table'
refused network/origin.cpp '#include <QWidget>' 'network may not use Qt Widgets'

# The compiler: a source of core/ compiled as core's library compiles it reaches core/ only.
command=$(sed -n 's/^ *"command": "\(.*core\/seen_page\.cpp\)",$/\1/p' "$build_dir/compile_commands.json")
if [ -z "$command" ]; then
  echo "FAIL: no compile command for core/seen_page.cpp in $build_dir"
  exit 1
fi
compiles() {
  printf '%s\n' "$1" >"$probe_dir/probe.cpp"
  local probe=${command/-o *core\/seen_page.cpp/-fsyntax-only $probe_dir/probe.cpp}
  (cd "$build_dir" && eval "$probe") >/dev/null 2>&1
}
compiles '#include "core/seen_page.h"' || { echo "FAIL: core's own header does not compile"; failed=1; }
for include in '"network/trial_run.h"' '<network/trial_run.h>' '"tests/support/named_child.h"' \
  '"output/utf8.h"'; do
  if compiles "#include $include"; then
    echo "FAIL: core compiles #include $include"
    failed=1
  fi
done
exit "$failed"
