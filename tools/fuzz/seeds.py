#!/usr/bin/env python3
"""Writes seed inputs for the fuzz targets from the tests' sources: the iCalendar
lines and property-list texts they build their files from."""
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parents[2]
out = pathlib.Path(sys.argv[1])
literal = re.compile(r'QStringLiteral\("((?:[^"\\]|\\.)*)"\)|"((?:[^"\\]|\\.)*)"')

def strings(path):
    for m in literal.finditer(path.read_text(errors="replace")):
        s = m.group(1) if m.group(1) is not None else m.group(2)
        yield bytes(s, "utf-8").decode("unicode_escape", errors="replace")

props = set()
for path in sorted((root / "tests/platform/store").glob("*.cpp")):
    for s in strings(path):
        if re.match(r"^[A-Z][A-Z-]*[;:]", s) and not s.startswith(("BEGIN", "END")):
            props.add(s)
        elif s.startswith("FREQ="):
            props.add("RRULE:" + s)
props = sorted(props)
head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zolt//Seeds//EN\r\n"
n = 0
# One event per property, and events of a few related properties together.
for i, p in enumerate(props):
    body = f"BEGIN:VEVENT\r\nUID:seed{i}\r\nDTSTART:20240301T100000\r\n{p}\r\nEND:VEVENT\r\n"
    (out / "ics" / f"p{i}.ics").write_bytes(b"\0" + (head + body + "END:VCALENDAR\r\n").encode())
    n += 1
for i in range(0, len(props), 6):
    body = "BEGIN:VEVENT\r\nUID:group\r\n" + "\r\n".join(props[i:i + 6]) + "\r\nEND:VEVENT\r\n"
    (out / "ics" / f"g{i}.ics").write_bytes(b"\0" + (head + body + "END:VCALENDAR\r\n").encode())
    n += 1
for i, path in enumerate(sorted(root.glob("tests/**/*.plist")) + sorted(root.glob("Resources/**/*.plist"))):
    (out / "plist" / f"f{i}.plist").write_bytes(path.read_bytes())
m = 0
for path in sorted((root / "tests/platform/foundation").glob("*.cpp")):
    for s in strings(path):
        if "<plist" in s or "<dict" in s or "bplist" in s:
            (out / "plist" / f"t{m}.plist").write_bytes(s.encode("utf-8", errors="replace"))
            m += 1
print(f"seeds: {n} calendar files, {m} property-list texts and the plist files")
