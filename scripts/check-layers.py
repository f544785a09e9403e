#!/usr/bin/env python3
"""Checks that the layers of src/ point one way: app -> subsystems -> core.

Fails, naming the file and the include, when
  - a subsystem (or core) includes from src/app/,
  - core includes from a subsystem,
  - one subsystem includes another subsystem's win32/ folder,
  - portable code (src/ outside any win32/ folder, the native unit tests and the stand-in's
    publication model) includes a Windows header: <windows.h>, <shlobj.h>, <objbase.h>, ...
With --junit FILE it also writes the result as a test report.

The Windows headers are the ones the mingw-w64 compiler finds and the build machine's own
g++ does not: the whole Windows SDK of the toolchain, and nothing that Linux has too (the C
and C++ standard headers).
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
PORTABLE_OUTSIDE_SRC = [ROOT / "tests" / "unit", ROOT / "tools" / "publisher-standin" / "model"]
WINDOWS_COMPILERS = ["x86_64-w64-mingw32-g++-posix", "x86_64-w64-mingw32-g++"]


def include_dirs(compiler):
    """The folders the compiler searches for #include <...>, in order."""
    run = subprocess.run([compiler, "-xc++", "-E", "-v", "-"], input="", capture_output=True,
                         text=True, check=True)
    lines = run.stderr.splitlines()
    start = lines.index("#include <...> search starts here:") + 1
    end = lines.index("End of search list.")
    return [pathlib.Path(line.strip()).resolve() for line in lines[start:end]]


def windows_headers():
    """Every header of the Windows toolchain that the native one lacks, lower case."""
    compiler = next((c for c in WINDOWS_COMPILERS if shutil.which(c)), None)
    if compiler is None:
        raise RuntimeError("no mingw-w64 compiler to list the Windows headers (scripts/setup)")
    native = include_dirs("g++")
    headers = set()
    for folder in include_dirs(compiler):
        for dirpath, _, files in os.walk(folder):
            for name in files:
                relative = (pathlib.Path(dirpath) / name).relative_to(folder).as_posix()
                if not any((n / relative).is_file() for n in native):
                    headers.add(relative.lower())
    if "windows.h" not in headers or "shlobj.h" not in headers:
        raise RuntimeError(f"{compiler} shows no Windows SDK headers")
    return headers


def in_project(path, target):
    """A quoted include that names one of the project's own files."""
    return any((base / target).is_file() for base in (path.parent, ROOT / "src"))


def problems():
    found = []
    windows = windows_headers()
    sources = sorted(p for p in (ROOT / "src").rglob("*") if p.suffix in (".h", ".cpp"))
    others = sorted(p for folder in PORTABLE_OUTSIDE_SRC for p in folder.rglob("*")
                    if p.suffix in (".h", ".cpp"))
    for path in sources + others:
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
            if (portable and target.lower() in windows
                    and not (kind == '"' and in_project(path, target))):
                found.append(f"{where}: portable code includes the Windows header {target}")
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
    try:
        found = problems()
    except (OSError, RuntimeError, ValueError, subprocess.CalledProcessError) as error:
        found = [f"the check could not run: {error}"]
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
