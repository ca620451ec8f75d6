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
unformatted=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted (clang-format -i FILE mends it):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "${#files[@]} files formatted as .clang-format says"
