# Style, naming and room checks, sourced by scripts/test after the default build (clang-tidy reads
# its compile_commands.json).
#
# clang-format checks the whole tree (it takes a second). clang-tidy checks the C++ files that
# differ from the main branch; on main itself (as in CI), those the last commit changed, which
# for a merge is the branch it landed; every file when there is no main branch. WAYTRACE_TIDY=all
# asks for every file. Tests and benchmarks are left out: their names follow Qt Test and
# Google Benchmark.

# The history is read as a list of subjects: each says what changed in at most 72 characters.
# Commits from before the rule came in (797ed58 and its ancestors) keep theirs; a shallow clone
# that lacks that commit checks the commits it has.
waytrace_commit_subjects() {
  local since=797ed58 range=HEAD hash subject failed=0
  git cat-file -e "$since^{commit}" 2>/dev/null && range="$since..HEAD"
  while read -r hash subject; do
    if [ "${#subject}" -gt 72 ]; then
      echo "$hash: the subject has ${#subject} characters, at most 72: $subject"
      failed=1
    fi
  done < <(git log --no-merges --format='%h %s' "$range")
  return "$failed"
}

waytrace_checks() {
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
  scripts/check-rooms
  waytrace_commit_subjects

  local base="" files
  if [ "${WAYTRACE_TIDY:-changed}" != all ] && git rev-parse -q --verify main >/dev/null; then
    base=$(git merge-base HEAD main)
    if [ "$base" = "$(git rev-parse HEAD)" ]; then
      base=$(git rev-parse -q --verify HEAD^1 || true)
    fi
  fi
  if [ -n "$base" ]; then
    files=$(git diff --name-only --diff-filter=d "$base" -- '*.cpp' | grep -vE '^(tests|bench)/' || true)
  else
    files=$(git ls-files '*.cpp' | grep -vE '^(tests|bench)/')
  fi
  [ -z "$files" ] && return 0
  echo "$files" | xargs -P "$(nproc)" -n 4 clang-tidy -p build --quiet \
    --warnings-as-errors=readability-identifier-naming
}
