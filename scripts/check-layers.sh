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
allowed_for() {
    case "$1" in
        platform/*) echo "platform/" ;;
        workspace/core/*) echo "$W" ;;
        workspace/forms/*) echo "$WF" ;;
        workspace/tests/forms/*) echo "$WF workspace/tests/" ;;
        workspace/tests/*) echo "$W workspace/tests/" ;;
        analysis/core/*) echo "$A" ;;
        analysis/forms/*) echo "$AF" ;;
        analysis/tests/forms/*) echo "$AF workspace/tests/ analysis/tests/" ;;
        analysis/tests/*) echo "$A workspace/tests/ analysis/tests/" ;;
        volume/core/*) echo "$V" ;;
        volume/forms/*) echo "$VF" ;;
        volume/tests/forms/*|volume/tests/gl/*) echo "$VF workspace/tests/ analysis/tests/ volume/tests/" ;;
        volume/tests/*) echo "$V workspace/tests/ analysis/tests/ volume/tests/" ;;
        statistics/core/*) echo "platform/ statistics/core/" ;;
        statistics/forms/*) echo "platform/ statistics/core/ statistics/forms/" ;;
        statistics/tests/forms/*) echo "platform/ statistics/" ;;
        statistics/tests/*) echo "platform/ statistics/core/ statistics/tests/" ;;
        # The top room composes Vantu's windows; its tests run the whole program.
        vantu/tests/*) echo "$VF vantu/ workspace/tests/ analysis/tests/ volume/tests/" ;;
        vantu/*) echo "$VF vantu/" ;;
        apps/vantu/*) echo "$VF vantu/" ;;
        apps/r62/*) echo "platform/ statistics/core/ statistics/forms/" ;;
        # Tests beside the programs see both of them (the hand-over, the filters).
        apps/tests/*) echo "*" ;;
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
