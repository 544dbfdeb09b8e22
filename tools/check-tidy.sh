#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) on the plain C++ layers: src/text, src/style,
# src/render, src/apply and the non-Qt files of src/platform. Any finding fails.
# Uses the compile commands of the default build (configured here when missing).
#   bash tools/check-tidy.sh              every source file of those folders
#   bash tools/check-tidy.sh FILE.cpp...  only the files named (while working on them)
set -euo pipefail
cd "$(dirname "$0")/.."

folders=(src/text src/style src/render src/apply src/platform)
header_filter="src/($(IFS='|'; echo "${folders[*]#src/}"))/[^/]*\.h$"

tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
[ -n "$tidy" ] || { echo "clang-tidy is missing: apt-get install clang-tidy-14" >&2; exit 1; }
[ -f build/compile_commands.json ] || cmake --preset default >/dev/null

# Only the folders' own .cpp files: src/platform/qt/ is Qt code, outside the core. A header is
# checked through the files that include it.
sources=("$@")
if [ ${#sources[@]} -eq 0 ]; then
    for folder in "${folders[@]}"; do sources+=("$folder"/*.cpp); done
fi
echo "clang-tidy on ${#sources[@]} files of ${folders[*]}"
status=0
output=$(printf '%s\n' "${sources[@]}" |
    xargs -P"$(nproc)" -n1 "$tidy" -p build --quiet --header-filter="$header_filter" 2>&1) ||
    status=$?
grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' <<<"$output" || true
if [ "$status" -ne 0 ]; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: no findings"
