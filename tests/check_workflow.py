#!/usr/bin/env python3
"""The Windows CI workflow against the Windows tree built here: every test program CTest runs is
built by the workflow's build step (so a new test is never left out of the run on real Windows),
and the workflow still does what it is for: MINGW64, CTest, a quiet install and removal of the MSI.
    check_workflow.py <.github/workflows/windows.yml> <CTest's --show-only=json-v1 output>
"""
import json
import os
import sys

import yaml

workflow = yaml.safe_load(open(sys.argv[1], encoding="utf-8"))
tests = json.load(open(sys.argv[2], encoding="utf-8"))["tests"]
problems = []


def steps_of(job):
    return [s for s in job.get("steps", []) if isinstance(s, dict)]


windows = [j for j in workflow.get("jobs", {}).values()
           if isinstance(j, dict) and str(j.get("runs-on", "")).startswith("windows")]
if len(windows) != 1:
    problems.append("one job on a Windows runner expected, found %d" % len(windows))
    windows = [{}]
steps = steps_of(windows[0])
runs = [str(s.get("run", "")) for s in steps]

if not any(str(s.get("uses", "")).startswith("msys2/setup-msys2") and s.get("with", {}).get("msystem") == "MINGW64"
           for s in steps):
    problems.append("no msys2/setup-msys2 step with msystem MINGW64")
build = [r for r in runs if r.split()[:2] == ["cmake", "--build"] and "--target" in r.split()]
if len(build) != 1:
    problems.append("one 'cmake --build ... --target <names>' step expected, found %d" % len(build))
    built = set()
else:
    words = build[0].split()
    built = set(words[words.index("--target") + 1:])
if not any("ctest" in r.split() for r in runs):
    problems.append("no step runs ctest")
for switch in ("/i", "/x"):
    if not any("msiexec" in r and "'%s'" % switch in r and "'/qn'" in r for r in runs):
        problems.append("no step runs msiexec %s quietly (/qn)" % switch)

# A test whose command is one of our programs: the program's file name is its target's name.
programs = set()
for test in tests:
    for part in test.get("command", []):
        name = os.path.basename(part.replace("\\", "/"))
        if name.lower().endswith(".exe"):
            programs.add(name[:-4])
            break
if not programs:
    problems.append("CTest lists no Windows test program: is this the Windows tree?")
for name in sorted(programs - built):
    problems.append("test program %s is not built by the workflow's build step" % name)

for p in problems:
    print(p)
if not problems:
    print("ok: the workflow builds all %d Windows test programs and runs them, and installs and removes the MSI"
          % len(programs))
sys.exit(1 if problems else 0)
