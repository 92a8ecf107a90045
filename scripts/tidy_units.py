#!/usr/bin/env python3
"""clang-tidy over the project's own translation units in a compile_commands.json, N at a time.

A unit that passed once is not checked again while its preprocessed text, its compile command,
the clang-tidy version and the .clang-tidy files stay the same: the key of a clean result is a
hash of all four, kept in <build>/lint-cache. Usage: tidy_units.py CLANG_TIDY BUILD ROOT JOBS
"""
import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import subprocess
import sys

NOISE = re.compile(r"^(\d+ warnings?( and \d+ errors?)? generated\.|Suppressed \d+ warnings.*|"
                   r"Use -header-filter.*|Error while processing .*)$")


def units(database, root):
    seen = []
    for entry in json.load(open(database)):
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        rel = os.path.relpath(path, root)
        # Not moc/qrc output, nothing below a build folder, no C (the Windows build's libspng).
        if rel.startswith("..") or rel.split(os.sep)[0].startswith("build") or "_autogen" in rel:
            continue
        if rel.endswith(".c") or any(path == s["path"] for s in seen):
            continue
        seen.append({"path": path, "entry": entry})
    return seen


def preprocessed(entry):
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    if os.path.basename(args[0]) == "ccache":
        args = args[1:]
    out, skip = [], False
    for a in args:
        if skip:
            skip = False
            continue
        if a in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if a in ("-MD", "-MMD", "-c"):
            continue
        out.append(a)
    run = subprocess.run(out + ["-E", "-P", "-o", "-"], cwd=entry["directory"], capture_output=True)
    return run.stdout if run.returncode == 0 else None


def main():
    tidy, build, root, jobs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    cache = os.path.join(build, "lint-cache")
    os.makedirs(cache, exist_ok=True)
    version = subprocess.run([tidy, "--version"], capture_output=True, text=True).stdout
    configs = b"".join(open(os.path.join(d, ".clang-tidy"), "rb").read()
                       for d, _, files in os.walk(root)
                       if ".clang-tidy" in files and not os.path.relpath(d, root).startswith("build"))
    todo = units(os.path.join(build, "compile_commands.json"), root)

    def check(unit):
        text = preprocessed(unit["entry"])
        key = None
        if text is not None:
            h = hashlib.sha256(version.encode() + configs)
            h.update(json.dumps(unit["entry"], sort_keys=True).encode())
            h.update(text)
            key = os.path.join(cache, h.hexdigest())
            if os.path.exists(key):
                return True, "", True
        run = subprocess.run([tidy, "-p", build, "--quiet", unit["path"]], capture_output=True, text=True)
        report = "\n".join(l for l in (run.stdout + run.stderr).splitlines() if not NOISE.match(l))
        if run.returncode == 0 and key:
            open(key, "w").close()
        return run.returncode == 0, report, False

    print(f"clang-tidy over {len(todo)} translation units, {jobs} at a time", file=sys.stderr)
    ok, cached = True, 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for passed, report, hit in pool.map(check, todo):
            cached += hit
            if report.strip():
                print(report, flush=True)
            ok = ok and passed
    print(f"clang-tidy: {cached} of {len(todo)} units unchanged since they last passed", file=sys.stderr)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
