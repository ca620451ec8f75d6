#!/usr/bin/env bash
# Fails, naming the files, when a C++ file is not formatted as .clang-format says. Run first by
# scripts/test.sh, before the long build; `clang-format -i FILE` mends a file.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || bash scripts/install-deps.sh clang-format
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests fuzz bench -name '*.cpp' -o -name '*.h' | sort)
fi
# One clang-format for all files: starting one per file took longer than the check itself.
unformatted=()
if ! report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
  mapfile -t unformatted < <(grep -oE '^[^:]+:[0-9]+:[0-9]+: error' <<<"$report" | cut -d: -f1 | sort -u)
  [ ${#unformatted[@]} -gt 0 ] || { echo "$report" >&2; exit 1; }
fi
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted (clang-format -i FILE mends it):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "${#files[@]} files formatted as .clang-format says"
