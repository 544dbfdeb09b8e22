#!/usr/bin/env bash
# Fails when the core reaches above its layer: a file under src/style, src/render or src/apply
# that includes a Qt header or a header of src/ui, src/app or src/platform/qt, or a file under
# src/style that includes src/render or src/apply, or a file under src/text (the bottom layer)
# that includes anything of src/ outside src/text. Prints file:line of each such include.
#   bash tools/check-layers.sh               checks this checkout
#   bash tools/check-layers.sh ROOT          checks the tree at ROOT
#   bash tools/check-layers.sh --self-check  plants bad includes in a scratch tree, expects each
set -euo pipefail

if [ "${1:-}" = "--self-check" ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    mkdir -p "$scratch/src/style" "$scratch/src/render" "$scratch/src/apply" "$scratch/src/text"
    printf '%s\n' '#include <QString>' '#include <QtWidgets/QDialog>' '#include <qglobal.h>' \
        '#include "ui/main_window.h"' '#include "ui_apply_dialog.h"' '# include "../app/cli/cli.h"' \
        '#include "platform/qt/qt_dialogs.h"' '#include <string>' '#include "platform/result.h"' \
        '#include "style/style_file.h"' >"$scratch/src/apply/planted.cpp"
    printf '%s\n' '#include "render/fragments.h"' '#include "../apply/page_pass.h"' \
        '#include "numeric_text.h"' >"$scratch/src/style/planted.h"
    printf '%s\n' '#include "platform/result.h"' '#include "text/ascii.h"' '#include <unistd.h>' \
        >"$scratch/src/text/planted.h"
    found=$(bash "$0" "$scratch" 2>&1 || true)
    expected=("src/apply/planted.cpp:"{1,2,3,4,5,6,7} "src/style/planted.h:"{1,2} "src/text/planted.h:1")
    for place in "${expected[@]}"; do
        grep -q "^$place:" <<<"$found" || { echo "self-check: $place not reported" >&2; exit 1; }
    done
    [ "$(grep -cE '^src/[^:]+:[0-9]+: ' <<<"$found")" -eq ${#expected[@]} ] ||
        { echo "self-check: unexpected reports:" >&2; echo "$found" >&2; exit 1; }
    echo "layer check self-check: all ${#expected[@]} planted includes reported"
    exit 0
fi

root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root"

# Where an include names: the path in src/ its name resolves to, beside the file or from src/.
resolved() { # resolved FILE NAME
    local path="src/$2"
    if [ -e "${1%/*}/$2" ] || [[ "$2" == ../* ]]; then path="${1%/*}/$2"; fi
    if [[ "$path" == *..* ]]; then realpath -m --relative-to=. "$path"; else echo "$path"; fi
}

findings=0
report() { # report FILE LINE WHY
    echo "$1:$2: $3" >&2
    findings=$((findings + 1))
}

while IFS=: read -r file line text; do
    [[ "$text" =~ include[[:space:]]*[\<\"]([^\>\"]*) ]] || continue
    name=${BASH_REMATCH[1]}
    layer=${file#src/}
    layer=${layer%%/*}
    if [[ "$text" =~ \< ]] && [[ "$name" =~ ^Q[A-Za-z]|^q[a-z0-9_]*\.h$ ]]; then
        report "$file" "$line" "the core includes the Qt header <$name>"
        continue
    fi
    if [[ "${name##*/}" == ui_*.h ]]; then
        report "$file" "$line" "the core includes the generated window form \"$name\""
        continue
    fi
    if [[ "$text" =~ \< && "$name" != *.* ]]; then continue; fi # a standard library header
    target=$(resolved "$file" "$name")
    case "$target" in
    src/ui/* | src/app/* | src/platform/qt/*)
        report "$file" "$line" "the core includes \"$name\", which belongs to ${target%/*}" ;;
    src/text/*) ;;
    src/*)
        if [ "$layer" = text ] && [[ "$text" =~ \" ]]; then
            report "$file" "$line" "src/text includes \"$name\" from a layer above it"
            continue
        fi ;;&
    src/render/* | src/apply/*)
        if [ "$layer" = style ]; then
            report "$file" "$line" "src/style includes \"$name\" from a layer above it"
        fi ;;
    esac
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' src/style src/render src/apply src/text 2>/dev/null || true)

if [ "$findings" -gt 0 ]; then
    echo "layer check: $findings include(s) cross a layer boundary" >&2
    exit 1
fi
echo "layer check: the core includes neither Qt nor the layers above it"
