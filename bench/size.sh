#!/bin/bash
# What the launcher template is made of: the stripped size of each template,
# then the bytes each archive and the ten largest archive members (object
# files) put into the loaded sections, from a linker map of the same link.
# Usage: bench/size.sh [win64|win32 ...]   (after build.sh)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$repo/build/bench/size
mkdir -p "$work"
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(win64 win32)
for arch in "${arches[@]}"; do
    build=$repo/build/$arch
    exe=launcher/win/launcher.exe
    ninja -C "$build" "$exe" >/dev/null
    echo "== $arch: $exe, $(stat -c %s "$build/$exe") bytes stripped"
    # The same link, unstripped and with a map.
    link=$(ninja -C "$build" -t commands "$exe" | tail -1)
    link=${link// -s / }
    link=${link/-o $exe/-o $work/$arch.exe -Wl,-Map,$work/$arch.map}
    (cd "$build" && eval "$link")
    python3 - "$work/$arch.map" <<'PY'
import collections, re, sys

loaded = ('.text', '.rdata', '.data', '.pdata', '.xdata', '.tls', '.CRT', '.ctors', '.dtors', '.eh_frame')
whole = re.compile(r'^ (\.\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$')
named = re.compile(r'^ (\.\S+)$')
continued = re.compile(r'^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$')
lines = open(sys.argv[1], errors='replace').read().split('\n')
start = next(i for i, line in enumerate(lines) if line.startswith('Linker script and memory map'))
archives, members = collections.Counter(), collections.Counter()
section = None
for line in lines[start:]:
    if m := whole.match(line):
        name, size, source = m.group(1), int(m.group(2), 16), m.group(3)
    elif (m := continued.match(line)) and section:
        name, size, source = section, int(m.group(1), 16), m.group(2)
    else:
        section = m.group(1) if (m := named.match(line)) else None
        continue
    section = None
    if not name.startswith(loaded):
        continue
    archive, _, member = source.strip().partition('(')
    archive = archive.rsplit('/', 1)[-1]
    archives[archive] += size
    members[f'{archive}({member}' if member else archive] += size
print(f'{sum(archives.values()):>9} bytes in loaded sections, by archive:')
for name, size in archives.most_common():
    print(f'{size:>9} {name}')
print('ten largest members:')
for name, size in members.most_common(10):
    print(f'{size:>9} {name}')
PY
done
