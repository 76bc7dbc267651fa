#!/usr/bin/env bash
# bench/size.sh: the size of the shipped program beside the floor (TrayFloor, a bare Win32
# program with the same static run-time), its sections, and from the link map which
# libraries and which of their members the code (.text), constant data (.rdata) and unwind
# tables (.eh_frame) come from. SIZE_TOP (default 15) members are listed.
# The target: under 1.5 MB (1,500,000 bytes) for the complete program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source bench/benchlib.sh
bench_build Tallyglass TrayFloor

prog=build/win/app/Tallyglass.exe
floor=build/win/bench/TrayFloor.exe
map=build/win/app/Tallyglass.map
limit=1500000

sections() {
    i686-w64-mingw32-objdump -h "$1" | while read -r n name size _; do
        [[ $n =~ ^[0-9]+$ ]] && printf '%s=%d ' "$name" $((16#$size))
    done
}
for f in "$prog" "$floor"; do
    printf '%-16s %10d bytes   %s\n' "$(basename "$f")" "$(stat -c %s "$f")" "$(sections "$f")"
done
size=$(stat -c %s "$prog")
printf 'program: %d bytes, %s the 1.5 MB target by %d bytes\n' "$size" \
    "$([ "$size" -lt "$limit" ] && echo under || echo over)" $((size < limit ? limit - size : size - limit))
echo
/usr/bin/python3 - "$map" "${SIZE_TOP:-15}" <<'EOF'
import collections, re, sys
text = open(sys.argv[1], errors="replace").read().split("Linker script and memory map", 1)[1]
top = int(sys.argv[2])
kept = (".text", ".rdata", ".eh_frame", ".data")
by_lib = collections.Counter()
by_member = collections.Counter()
out = None
pending = None
for line in text.split("\n"):
    m = re.match(r"^(\.[A-Za-z_]+)\b", line)
    if m:
        out = m.group(1)
        continue
    m = re.match(r"^ (\.\S+)\s+0x[0-9a-f]+\s+(0x[0-9a-f]+)\s+(\S.*)$", line)
    if not m:
        single = re.match(r"^ (\.\S+)$", line)
        cont = re.match(r"^\s+0x[0-9a-f]+\s+(0x[0-9a-f]+)\s+(\S.*)$", line)
        pending, m = (single.group(1) if single else None), None
        if cont and not single:
            m = cont
        if not m:
            continue
        size, origin = int(m.group(1), 16), m.group(2)
    else:
        size, origin = int(m.group(2), 16), m.group(3)
    if out not in kept or size == 0:
        continue
    a = re.match(r"(.*?)([^/]*\.a)\((.*)\)$", origin)
    lib, member = (a.group(2), a.group(3)) if a else ("(objects)", origin.split("/")[-1])
    by_lib[(lib, out)] += size
    by_member[(lib, member)] += size
libs = sorted({lib for lib, _ in by_lib}, key=lambda l: -sum(by_lib[(l, s)] for s in kept))
print("%-22s" % "from" + "".join("%11s" % s for s in kept) + "%11s" % "all")
for lib in libs:
    row = [by_lib[(lib, s)] for s in kept]
    print("%-22s" % lib + "".join("%11d" % v for v in row) + "%11d" % sum(row))
print("\nlargest members (all four sections):")
for (lib, member), size in by_member.most_common(top):
    print("%9d  %s(%s)" % (size, lib, member))
EOF
