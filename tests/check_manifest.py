#!/usr/bin/env python3
"""The DPI settings of the program's manifest, as each Windows reads them.

Windows 8.1 reads only <dpiAware>: "true/pm" is per-monitor there. Windows 10 1607 and later read
<dpiAwareness> instead and take the first value of the list they know: 1607 does not know
PerMonitorV2 and, given that alone, would run the program unaware of the DPI (scaled, blurred);
with "PerMonitor" after it, 1607 runs it per-monitor and 1703 and later per-monitor v2.
    check_manifest.py <Sweeplet.manifest>
"""
import sys
import xml.etree.ElementTree as ET

SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"

root = ET.parse(sys.argv[1]).getroot()
aware = [e.text.strip() for e in root.iter(SETTINGS_2005 + "dpiAware")]
awareness = [e.text.strip() for e in root.iter(SETTINGS_2016 + "dpiAwareness")]
problems = []
if aware != ["true/pm"]:
    problems.append("dpiAware should be true/pm once, is %r" % aware)
if len(awareness) != 1 or [v.strip() for v in awareness[0].split(",")] != ["PerMonitorV2", "PerMonitor"]:
    problems.append("dpiAwareness should be 'PerMonitorV2, PerMonitor' once, is %r" % awareness)
for p in problems:
    print(p)
if not problems:
    print("ok: per-monitor v2 where known, per-monitor on Windows 10 1607 and 8.1")
sys.exit(1 if problems else 0)
