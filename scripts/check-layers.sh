#!/usr/bin/env bash
# The include directions the build relies on:
#   platform <- workspace/core <- analysis/core <- volume/core;  platform <- statistics/core;
#   each room's windows see their core and the rooms below: workspace/forms <-
#   analysis/forms <- volume/forms <- vantu (the top room that composes them).
# Cores are plain C++ (no Qt, no windows); Vantu's windows never reach r62's
# code and r62's windows never reach Vantu's. Prints every include that breaks
# a rule and fails if there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

# folder prefix -> the project folders its files may include from. The rule is
# by folder only: a file that needs a higher room lives in a higher room.
W="platform/ workspace/core/"                       # workspace core and below
A="$W analysis/core/"                               # analysis core and below
V="$A volume/core/"                                 # volume core and below
WF="$W workspace/forms/"                            # the workspace's windows and below
AF="$A workspace/forms/ analysis/forms/"            # the analysis windows and below
VF="$V workspace/forms/ analysis/forms/ volume/forms/"
# The test folders a room's tests may include: their own and those of the rooms below.
test_folders() {
    case "$1" in
        workspace) echo "workspace/tests/" ;;
        analysis) echo "workspace/tests/ analysis/tests/" ;;
        volume|vantu) echo "workspace/tests/ analysis/tests/ volume/tests/" ;;
        statistics) echo "statistics/tests/" ;;
    esac
}
allowed_for() {
    case "$1" in
        # Tests beside the programs see both of them (the hand-over, the filters).
        apps/tests/*) echo "*" ;;
        # A room's tests see what its files see, and the test folders above:
        # the window tests what its windows see, the others what its core sees.
        */tests/forms/*|*/tests/gl/*) echo "$(allowed_for "${1%%/*}/forms/") $(test_folders "${1%%/*}")" ;;
        */tests/*) echo "$(allowed_for "${1%%/*}/core/") $(test_folders "${1%%/*}")" ;;
        platform/*) echo "platform/" ;;
        workspace/core/*) echo "$W" ;;
        workspace/forms/*) echo "$WF" ;;
        analysis/core/*) echo "$A" ;;
        analysis/forms/*) echo "$AF" ;;
        volume/core/*) echo "$V" ;;
        volume/forms/*) echo "$VF" ;;
        statistics/core/*) echo "platform/ statistics/core/" ;;
        statistics/forms/*) echo "platform/ statistics/core/ statistics/forms/" ;;
        # The top room composes Vantu's windows; its tests run the whole program.
        vantu/*|apps/vantu/*) echo "$VF vantu/" ;;
        apps/r62/*) echo "platform/ statistics/core/ statistics/forms/" ;;
        *) echo "*" ;;
    esac
}

is_core() {
    case "$1" in platform/qt/*|platform/testing/*|platform/tests/*) return 1 ;;
        platform/*|*/core/*) return 0 ;; *) return 1 ;; esac
}

bad=0
files=$(git ls-files -co --exclude-standard -- '*.h' '*.cpp' '*.inc' | grep -E '^(platform|workspace|analysis|volume|statistics|vantu|apps)/')
while IFS= read -r file; do
    allowed=$(allowed_for "$file")
    core=0; is_core "$file" && core=1
    printf '%s\t%s\t%s\n' "$file" "$core" "$allowed"
done <<<"$files" >"${TMPDIR:-/tmp}/layers.$$"
# One pass over every include line: file \t core \t allowed prefixes, then the lines.
grep -n -H -E '^[[:space:]]*#[[:space:]]*include' $files | awk -v rules="${TMPDIR:-/tmp}/layers.$$" '
    BEGIN { FS = "\t"; while ((getline l < rules) > 0) { split(l, f, "\t"); core[f[1]] = f[2]; allow[f[1]] = f[3] } FS = ":" }
    {
        file = $1; line = $2; text = substr($0, length(file) + length(line) + 3)
        target = text; sub(/^[ \t]*#[ \t]*include[ \t]*[<"]/, "", target); sub(/[>"].*$/, "", target)
        if (text ~ /include[ \t]*</) {
            if (core[file] == 1 && target ~ /^Q[A-Za-z]*(\/|$)/) { print file ":" line ": a core includes Qt: " target; bad = 1 }
            next
        }
        if (allow[file] == "*" || index(target, "/") == 0) next
        n = split(allow[file], prefixes, " "); ok = 0
        for (i = 1; i <= n; i++) if (index(target, prefixes[i]) == 1) { ok = 1; break }
        if (!ok) { print file ":" line ": may not include " target; bad = 1 }
    }
    END { exit bad }'
bad=$?
rm -f "${TMPDIR:-/tmp}/layers.$$"

if [ $bad -ne 0 ]; then
    echo "Include directions broken (see scripts/check-layers.sh)."
    exit 1
fi
echo "Include directions: all files keep the layers."

# Names users type are matched with ASCII case folding (platform/textformat.h):
# the C library's case functions follow the locale, and a Turkish one does
# not make "I" the capital of "i".
if git grep -n -E '(^|[^A-Za-z_])(tolower|toupper|strcasecmp|strncasecmp)[[:space:]]*\(' -- \
    '*.cpp' '*.h' '*.inc'; then
    echo "Letter case that follows the locale: use lowerAscii or equalsNoCase (platform/textformat.h)."
    exit 1
fi
