#!/bin/bash
# check-include-cycles.sh <source root>: fails when the modules below
# <root>/launcher include each other in a cycle, and names every cycle's
# modules. A module is a header with its source file: a.cpp including b.h
# and b.cpp including a.h is a cycle although neither header includes the other.
set -euo pipefail
root=$1
[ -d "$root/launcher" ] || { echo "no launcher directory below $root"; exit 2; }
cd "$root"

find launcher -name '*.h' -o -name '*.cpp' | sort | while read -r file; do
    from=${file%.*}
    sed -n 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"\(launcher/[^"]*\)\.h".*|\1|p' "$file" |
        while read -r to; do if [ "$to" != "$from" ]; then echo "$from $to"; fi; done
done | sort -u | awk '
    # Tarjan: strongly connected components of more than one module are cycles.
    { edges[$1] = edges[$1] " " $2; nodes[$1]; nodes[$2] }
    function visit(v,    list, n, i, w, members, size) {
        index_[v] = low[v] = ++counter; stack[++top] = v; onStack[v] = 1
        n = split(edges[v], list, " ")
        for (i = 1; i <= n; i++) {
            w = list[i]
            if (!(w in index_)) { visit(w); if (low[w] < low[v]) low[v] = low[w] }
            else if (onStack[w] && index_[w] < low[v]) low[v] = index_[w]
        }
        if (low[v] != index_[v]) return
        members = ""; size = 0
        do { w = stack[top--]; onStack[w] = 0; members = members "\n  " w; size++ } while (w != v)
        if (size > 1) { print "include cycle:" members; cycles++ }
    }
    END {
        for (v in nodes) if (!(v in index_)) visit(v)
        if (cycles) exit 1
        print "no include cycles among " length(nodes) " modules"
    }'
