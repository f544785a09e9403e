#!/usr/bin/env python3
"""Checks that the layers of src/ point one way: app -> subsystems -> core.

Fails, naming the file and the include, when
  - a subsystem (or core) includes from src/app/,
  - core includes from a subsystem,
  - one subsystem includes another subsystem's win32/ folder,
  - portable code (outside any win32/ folder, and the native unit tests) includes <windows.h>.
With --junit FILE it also writes the result as a test report.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def problems():
    found = []
    sources = sorted(p for p in (ROOT / "src").rglob("*") if p.suffix in (".h", ".cpp"))
    unit = sorted(p for p in (ROOT / "tests" / "unit").rglob("*") if p.suffix in (".h", ".cpp"))
    for path in sources + unit:
        rel = path.relative_to(ROOT).as_posix()
        parts = rel.split("/")
        in_src = parts[0] == "src"
        layer = parts[1] if in_src else None
        portable = "win32" not in parts
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, target = m.groups()
            where = f"{rel}:{number}: {line.strip()}"
            if portable and kind == "<" and target.lower() == "windows.h":
                found.append(f"{where}: portable code includes <windows.h>")
            if not in_src or kind != '"':
                continue
            t = target.split("/")
            if len(t) < 2:
                continue
            if layer != "app" and t[0] == "app":
                found.append(f"{where}: {layer}/ includes from src/app/")
            elif layer == "core" and t[0] not in ("core",):
                found.append(f"{where}: core/ includes from the subsystem {t[0]}/")
            elif (layer not in ("app", t[0]) and t[0] != "core" and len(t) > 2
                  and t[1] == "win32"):
                found.append(f"{where}: {layer}/ includes another subsystem's win32/ folder")
            if portable and in_src and len(t) > 2 and t[1] == "win32":
                found.append(f"{where}: portable code includes a win32/ adapter")
    return found


def main():
    found = problems()
    for problem in found:
        print(f"layers: {problem}")
    if "--junit" in sys.argv:
        out = pathlib.Path(sys.argv[sys.argv.index("--junit") + 1])
        failure = "".join(
            f"<failure message=\"{p.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;').replace(chr(34), '&quot;')}\"/>"
            for p in found)
        out.write_text('<testsuites><testsuite name="layers"><testcase name="includes">'
                       f"{failure}</testcase></testsuite></testsuites>\n")
    if not found:
        print("layers: every include points the right way")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
