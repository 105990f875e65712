#!/usr/bin/env bash
# The release packages end to end, as scripts/test runs them (after the Windows tests, under its Xvfb):
#   - scripts/package twice, from this tree and from a copy in another folder: the same bytes;
#   - the MSI's own tables: what its actions run and when;
#   - the MSI under Wine in a fresh prefix: quiet install, uninstall, the start switch, uninstall while
#     the program runs, an upgrade to a higher version, the logon task across an upgrade;
#   - signing with a throwaway certificate, with and without time stamps from a local authority.
# Uses the display in DISPLAY or starts Xvfb; uses build/windows/app/PackageProbe.exe
# (built here if missing).
# Prints "N passed, M failed" last; exits non-zero on any failure.
source "$(dirname "$0")/../../scripts/lib.sh"
set +e

WORK="$ROOT/build/package-test"
COPY="$WORK/src"
PROBE="$BUILD_WIN/app/PackageProbe.exe"
UPGRADE_CODE=431B5EF3-9B85-49D8-8EC4-FC569DB02F88
PKGTOOL="$ROOT/packaging/pkgtool.py"
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
passed=0
failed=0

check() {
  local what="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what"
  fi
}
contains() { grep -q -- "$2" "$1"; }
lacks() { ! grep -q -- "$2" "$1"; }
absent() { [ ! -e "$1" ]; }
same() { cmp -s "$1" "$2"; }
# key=value from a probe's output file
value() { sed -n "s/^$2=//p" "$1" | tr -d '\r'; }

rm -rf "$WORK"
mkdir -p "$WORK"
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 1700000000)}"

# --- Build and reproducibility -----------------------------------------------------------------------

echo "-- scripts/package in $ROOT"
"$ROOT/scripts/package" >"$WORK/package1.log" 2>&1
check "scripts/package succeeds (log: $WORK/package1.log)" test $? -eq 0
check "an unsigned build says so" contains "$WORK/package1.log" "^unsigned"
version="$(python3 "$PKGTOOL" version "$ROOT/build/package/stage/Sweeplet.exe")"
base="Sweeplet-$version-x64"
cp -r "$ROOT/build/dist" "$WORK/dist1"
cp "$ROOT/build/package/stage/Sweeplet.exe" "$WORK/Sweeplet1.exe"
for f in "$base.msi" "$base.zip" "$base.debug" SHA256SUMS; do
  check "build/dist has $f" test -s "$WORK/dist1/$f"
done
check "SHA256SUMS checks out" bash -c "cd '$WORK/dist1' && sha256sum --quiet -c SHA256SUMS"

python3 - "$WORK/dist1/$base.zip" >"$WORK/zip.txt" <<'EOF'
import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    print(i.filename, "%04d-%02d-%02d" % i.date_time[:3])
EOF
for name in Sweeplet/Sweeplet.exe Sweeplet/README.txt Sweeplet/licences/gcc-runtime.txt \
  Sweeplet/licences/mingw-w64-runtime.txt Sweeplet/licences/GPL-3.txt; do
  check "the zip holds $name" contains "$WORK/zip.txt" "^$name "
done
python3 -c "import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read('Sweeplet/Sweeplet.exe'))" \
  "$WORK/dist1/$base.zip" >"$WORK/zipped.exe"
check "the zip's exe is the packaged exe" same "$WORK/zipped.exe" "$WORK/Sweeplet1.exe"
python3 -c "import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read('Sweeplet/README.txt'))" \
  "$WORK/dist1/$base.zip" >"$WORK/README.txt"
check "the zip's readme names the version" contains "$WORK/README.txt" "^Sweeplet $version "

x86_64-w64-mingw32-objdump -h "$WORK/Sweeplet1.exe" >"$WORK/sections.txt"
check "the exe carries no debug information" lacks "$WORK/sections.txt" "\.debug_info"
check "the exe's header has no link time" python3 -c \
  "import struct, sys; d = open(sys.argv[1], 'rb').read(); sys.exit(struct.unpack_from('<I', d, struct.unpack_from('<I', d, 0x3C)[0] + 8)[0])" \
  "$WORK/Sweeplet1.exe"
imports_ok() { "$ROOT/tests/check_imports.sh" "$1" >/dev/null; }
check "the exe imports system DLLs only" imports_ok "$WORK/Sweeplet1.exe"
x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink="$WORK/debuglink" "$WORK/Sweeplet1.exe" "$WORK/discard.exe" 2>/dev/null
# The debug link: the debug file's name, padding, then the CRC-32 of that file.
check "the exe's debug link names the debug file and its checksum" python3 - "$WORK/debuglink" "$WORK/dist1/$base.debug" <<'EOF'
import sys, zlib
link = open(sys.argv[1], "rb").read()
debug = open(sys.argv[2], "rb").read()
name = link.split(b"\0")[0].decode()
sys.exit(0 if name == sys.argv[2].rsplit("/", 1)[1] and int.from_bytes(link[-4:], "little") == zlib.crc32(debug) else 1)
EOF
x86_64-w64-mingw32-objdump -h "$WORK/dist1/$base.debug" >"$WORK/debug-sections.txt"
check "the debug file has the debug information" contains "$WORK/debug-sections.txt" "\.debug_info"

echo "-- scripts/package in a copy of the sources ($COPY)"
mkdir -p "$COPY"
tar -C "$ROOT" --exclude=./build --exclude=./.git -cf - . | tar -C "$COPY" -xf -
"$COPY/scripts/package" >"$WORK/package2.log" 2>&1
check "scripts/package succeeds in the copy (log: $WORK/package2.log)" test $? -eq 0
check "the exe is byte-identical from two runs" same "$WORK/Sweeplet1.exe" "$COPY/build/package/stage/Sweeplet.exe"
check "the zip is byte-identical from two runs" same "$WORK/dist1/$base.zip" "$COPY/build/dist/$base.zip"
check "the debug file is byte-identical from two runs" same "$WORK/dist1/$base.debug" "$COPY/build/dist/$base.debug"
check "the MSI is byte-identical from two runs" same "$WORK/dist1/$base.msi" "$COPY/build/dist/$base.msi"

# --- The MSI's tables -----------------------------------------------------------------------------

echo "-- The MSI's tables"
# Nothing the package runs may ask for elevation a second time: the only starts of the program are
# the final ones, after InstallFinalize, which the user sees. A running copy is left to the Restart
# Manager (not disabled), whose messages the program ends on.
msiinfo export "$WORK/dist1/$base.msi" InstallExecuteSequence >"$WORK/sequence.txt"
msiinfo export "$WORK/dist1/$base.msi" CustomAction >"$WORK/actions.txt"
msiinfo export "$WORK/dist1/$base.msi" Property >"$WORK/properties.txt"
# column <n> of the row whose first field is <key> in a table file
field() { awk -F'\t' -v k="$2" -v n="$3" '$1 == k { print $n }' "$1" | tr -d '\r'; }
seq_of() { field "$WORK/sequence.txt" "$1" 3; }
runs_program_only_at_end() {
  local action
  for action in $(awk -F'\t' 'NR > 3 && $4 ~ /Sweeplet\.exe/ { print $1 }' "$WORK/actions.txt"); do
    [ "$(seq_of "$action")" -gt "$(seq_of InstallFinalize)" ] || return 1
  done
}
check "the package starts Sweeplet.exe only after InstallFinalize" runs_program_only_at_end
check "no action of the package asks the running copy to uninstall" lacks "$WORK/actions.txt" "/uninst"
check "the Restart Manager is left on" lacks "$WORK/properties.txt" "^MSIRESTARTMANAGERCONTROL"
while IFS='|' read -r action want; do
  check "$action runs on: $want" test "$(field "$WORK/sequence.txt" "$action" 2)" = "$want"
done <<'EOF2'
RemoveLogonTask|REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE
StartSweeplet|NOT Installed AND NOT REMOVE AND NOT WIX_UPGRADE_DETECTED AND UserSID <> "S-1-5-18" AND ((UILevel > 2 AND SWEEPLET_START <> "0") OR SWEEPLET_START = "1")
RunLogonTask|NOT Installed AND NOT REMOVE AND WIX_UPGRADE_DETECTED AND SWEEPLET_START <> "0"
EOF2
check "StartSweeplet gives /inst" test "$(field "$WORK/actions.txt" StartSweeplet 4 | awk '{ print $NF }')" = "/inst"
# After an upgrade the new version starts through the user's logon task: schtasks run as LocalSystem
# (no prompt) once the install has committed (never after a rolled-back one), its failure ignored
# (no task: nothing starts). Type 50 (an exe named by a property) + 0x40 ignore the exit code
# + 0x400 in the script + 0x200 commit + 0x800 no impersonation = 3698.
check "RunLogonTask runs schtasks /Run on the logon task" test \
  "$(field "$WORK/actions.txt" RunLogonTask 3) $(field "$WORK/actions.txt" RunLogonTask 4)" = "SweepletSchtasks /Run /TN SweepletTaskMachine"
check "RunLogonTask is a commit action without impersonation whose failure is ignored" test \
  "$(field "$WORK/actions.txt" RunLogonTask 2)" = 3698
check "RunLogonTask is in the script (between InstallInitialize and InstallFinalize)" test \
  "$(seq_of InstallInitialize)" -lt "$(seq_of RunLogonTask)" -a "$(seq_of RunLogonTask)" -lt "$(seq_of InstallFinalize)"
check "no action starts the program after an upgrade but the logon task" lacks "$WORK/actions.txt" "RestartSweeplet"
# The old version is removed inside the new install's transaction, right after InstallInitialize:
# a failed upgrade rolls its removal back. Nothing else runs between the two.
between_initialize_and_removal() {
  awk -F'\t' -v lo="$(seq_of InstallInitialize)" -v hi="$(seq_of RemoveExistingProducts)" \
    'NR > 3 && $3 + 0 > lo + 0 && $3 + 0 < hi + 0 { print $1 }' "$WORK/sequence.txt"
}
check "the old version is removed right after InstallInitialize" test \
  "$(seq_of InstallInitialize)" -lt "$(seq_of RemoveExistingProducts)" -a -z "$(between_initialize_and_removal)"
check "the old version is removed before any file is installed" test \
  "$(seq_of RemoveExistingProducts)" -lt "$(seq_of InstallFiles)"

# --- The MSI under Wine ----------------------------------------------------------------------------

if [ ! -f "$PROBE" ] || [ ! -f "$BUILD_WIN/app/SchtasksStandIn.exe" ]; then
  cmake --build "$BUILD_WIN" --target PackageProbe SchtasksStandIn -j "$JOBS" >/dev/null
fi
echo "-- MSI under Wine"
start_xvfb
new_wine_prefix "$WORK/prefix"
trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
# A virtual desktop: without a window manager, Wine holds a closing window's thread for seconds.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Package /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Package /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Package' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
wineserver -w
wineserver -p
wine cmd /c exit >/dev/null 2>&1
DRIVE="$WINEPREFIX/drive_c"
INSTALLED="$DRIVE/Program Files/Sweeplet"
winpath() { echo "Z:${1//\//\\}"; }
MSI1="$(winpath "$WORK/dist1/$base.msi")"
product1="$(python3 "$PKGTOOL" uuid "$UPGRADE_CODE" "Sweeplet x64 $version")"

msiexec() { wine msiexec "$@" >/dev/null 2>&1; }
probe() { wine "$PROBE" "$@" >"$WORK/probe.txt" 2>&1; }
shortcut() { find "$DRIVE" -path "*Start Menu/Programs/Sweeplet.lnk" | grep -q .; }
query() { wine reg query "$1" /s >"$2" 2>&1; }
settings_kept() {
  query 'HKCU\Software\Orvane' "$WORK/settings.txt"
  grep -q "ZelUID.*keep-me" "$WORK/settings.txt" && grep -q "lang.*keep-me-too" "$WORK/settings.txt"
}
removed() {
  absent "$INSTALLED" && ! shortcut && { query "$UNINSTALL_KEY\\{$product1}" "$WORK/entry.txt"; lacks "$WORK/entry.txt" DisplayName; }
}

wine reg add 'HKCU\Software\Orvane' /v ZelUID /t REG_SZ /d keep-me /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Orvane\Sweeplet' /v lang /t REG_SZ /d keep-me-too /f >/dev/null 2>&1

msiexec /i "$MSI1" /qn
check "msiexec /i /qn succeeds" test $? -eq 0
check "the exe is installed in Program Files\\Sweeplet" same "$INSTALLED/Sweeplet.exe" "$WORK/Sweeplet1.exe"
check "the licence texts are installed" test -s "$INSTALLED/licences/gcc-runtime.txt" -a -s "$INSTALLED/licences/mingw-w64-runtime.txt" -a -s "$INSTALLED/licences/GPL-3.txt"
check "the Start-menu shortcut is there" shortcut
query "$UNINSTALL_KEY\\{$product1}" "$WORK/entry.txt"
check "the uninstall entry is named Sweeplet" contains "$WORK/entry.txt" "DisplayName.*REG_SZ.*Sweeplet"
check "the uninstall entry has the version" contains "$WORK/entry.txt" "DisplayVersion.*REG_SZ.*$version"
check "the uninstall entry names the maker" contains "$WORK/entry.txt" "Publisher.*REG_SZ.*Orvane"
check "the uninstall entry has an uninstall command" contains "$WORK/entry.txt" "UninstallString.*MsiExec.exe /X{$product1}"
# Add/Remove Programs shows an installer product's icon from its registration, not from DisplayIcon.
query 'HKLM\Software\Classes\Installer\Products' "$WORK/products.txt"
icon="$(sed -n 's/.*ProductIcon *REG_SZ *//p' "$WORK/products.txt" | tr -d '\r')"
check "the product icon is registered and cached" test -n "$icon" -a -s "$DRIVE/$(echo "${icon#C:\\}" | tr '\\' /)"
probe window 5000
check "a quiet install starts nothing" contains "$WORK/probe.txt" "window=none"

msiexec /x "$MSI1" /qn
check "msiexec /x /qn succeeds" test $? -eq 0
check "uninstall removes the files, the shortcut and the entry" removed
check "uninstall leaves the settings under HKCU\\Software\\Orvane" settings_kept

msiexec /i "$MSI1" /qn SWEEPLET_START=1
check "msiexec /i /qn SWEEPLET_START=1 succeeds" test $? -eq 0
probe window 30000
check "SWEEPLET_START=1 brings the window up" contains "$WORK/probe.txt" "window=visible"

# Windows Installer closes a copy that holds its files through the Restart Manager; Wine's msiexec has
# none and leaves the copy running, so the probe sends what the Restart Manager sends.
probe closeapp
check "the running program agrees to the Restart Manager's WM_QUERYENDSESSION" contains "$WORK/probe.txt" "answer=1"
check "the running program ends on the Restart Manager's messages" contains "$WORK/probe.txt" "ended=1"
msiexec /x "$MSI1" /qn
check "uninstall after that succeeds" test $? -eq 0
check "uninstall while running removes the files, the shortcut and the entry" removed
check "uninstall while running leaves the settings" settings_kept
probe count
check "no window is left" contains "$WORK/probe.txt" "count=0"

echo "-- Upgrade to a higher version"
# Windows Installer compares the first three fields only.
IFS=. read -r major minor build _ <<<"$version"
version2="$major.$minor.$((build + 1)).0"
sed -i -e "s/${version//./,}/${version2//./,}/g" -e "s/${version//./\\.}/$version2/g" "$COPY/resources/Sweeplet.rc"
sed -i "s/^project(Sweeplet VERSION ${version//./\\.}/project(Sweeplet VERSION $version2/" "$COPY/CMakeLists.txt"
"$COPY/scripts/package" >"$WORK/package3.log" 2>&1
check "scripts/package builds $version2 (log: $WORK/package3.log)" test -s "$COPY/build/dist/Sweeplet-$version2-x64.msi"
MSI2="$(winpath "$COPY/build/dist/Sweeplet-$version2-x64.msi")"
product2="$(python3 "$PKGTOOL" uuid "$UPGRADE_CODE" "Sweeplet x64 $version2")"

# A test-only package of a still higher version that fails after InstallFiles, as a full disk or a
# refused file would: it runs "cmd /c exit 3", and that action's failure fails the install. Built
# from the copy, with its sources put back afterwards.
version3="$major.$minor.$((build + 2)).0"
for f in resources/Sweeplet.rc CMakeLists.txt packaging/Sweeplet.wxs; do cp "$COPY/$f" "$WORK/keep-${f//\//_}"; done
cp -r "$COPY/build/dist" "$WORK/dist2"
sed -i -e "s/${version2//./,}/${version3//./,}/g" -e "s/${version2//./\\.}/$version3/g" "$COPY/resources/Sweeplet.rc"
sed -i "s/^project(Sweeplet VERSION ${version2//./\\.}/project(Sweeplet VERSION $version3/" "$COPY/CMakeLists.txt"
python3 - "$COPY/packaging/Sweeplet.wxs" <<'EOF2'
import sys
p = sys.argv[1]
s = open(p, encoding="utf-8").read()
s = s.replace("<InstallExecuteSequence>", """<CustomAction Id="SetFailingProgram" Property="FailingProgram" Value="[System64Folder]cmd.exe"/>
    <CustomAction Id="FailOnPurpose" Property="FailingProgram" ExeCommand="/c exit 3"
                  Execute="deferred" Impersonate="no" Return="check"/>
    <InstallExecuteSequence>
      <Custom Action="SetFailingProgram" Sequence="1005"/>
      <Custom Action="FailOnPurpose" Sequence="4001">NOT Installed AND NOT REMOVE</Custom>""", 1)
open(p, "w", encoding="utf-8").write(s)
EOF2
"$COPY/scripts/package" >"$WORK/package5.log" 2>&1
check "scripts/package builds the failing $version3 (log: $WORK/package5.log)" test -s "$COPY/build/dist/Sweeplet-$version3-x64.msi"
cp "$COPY/build/dist/Sweeplet-$version3-x64.msi" "$WORK/failing-$version3.msi"
MSI3="$(winpath "$WORK/failing-$version3.msi")"
for f in resources/Sweeplet.rc CMakeLists.txt packaging/Sweeplet.wxs; do cp "$WORK/keep-${f//\//_}" "$COPY/$f"; done
rm -rf "$COPY/build/dist"
cp -r "$WORK/dist2" "$COPY/build/dist"

TASKS="$DRIVE/windows/system32/tasks"
# The logon task as the program registers it, made with schtasks: Wine's Task Scheduler cannot
# register a logon trigger through the program's own calls. Here it is a file in the tasks folder.
make_task() {
  cat >"$WORK/task.xml" <<'EOF2'
<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Principals><Principal id="Author"><RunLevel>HighestAvailable</RunLevel></Principal></Principals>
  <Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>
  <Settings><StartWhenAvailable>true</StartWhenAvailable><Priority>4</Priority></Settings>
  <Actions Context="Author"><Exec><Command>C:\Program Files\Sweeplet\Sweeplet.exe</Command><Arguments>/start</Arguments></Exec></Actions>
</Task>
EOF2
  wine schtasks /create /tn SweepletTaskMachine /xml "$(winpath "$WORK/task.xml")" /f >/dev/null 2>&1
}

msiexec /i "$MSI1" /qn SWEEPLET_START=1
probe window 30000
pid1="$(value "$WORK/probe.txt" pid)"
probe closeapp  # the Restart Manager's part, as above
check "the old program ends before the upgrade" contains "$WORK/probe.txt" "ended=1"
# Basic UI: an interactive upgrade. The user has no logon task, so nothing starts the program again
# (it would start through the task, without a prompt).
msiexec /i "$MSI2" /qb
check "installing $version2 over $version interactively succeeds" test $? -eq 0
probe window 5000
check "an upgrade without the logon task starts nothing" contains "$WORK/probe.txt" "window=none"
query "$UNINSTALL_KEY" "$WORK/entries.txt"
check "one uninstall entry after the upgrade" test "$(grep -c 'DisplayName.*REG_SZ.*Sweeplet' "$WORK/entries.txt")" -eq 1
check "the entry is the new version's" contains "$WORK/entries.txt" "DisplayVersion.*REG_SZ.*$version2"
check "the old product is gone" lacks "$WORK/entries.txt" "{$product1}"
check "one copy of the program after the upgrade" test "$(find "$DRIVE" -iname Sweeplet.exe | wc -l)" -eq 1
check "the installed copy is the new version" test "$(python3 "$PKGTOOL" version "$INSTALLED/Sweeplet.exe")" = "$version2"
check "an upgrade without the logon task leaves none" absent "$TASKS/SweepletTaskMachine"
check "the upgrade leaves the settings" settings_kept
msiexec /x "$MSI2" /qn
check "the new version uninstalls" bash -c "[ ! -e '$INSTALLED' ]"
query "$UNINSTALL_KEY\\{$product2}" "$WORK/entry.txt"
check "no entry is left after the upgrade's uninstall" lacks "$WORK/entry.txt" DisplayName

echo "-- The logon task across an upgrade"
# Windows Installer removes the old version of a major upgrade with UPGRADINGPRODUCTCODE set to the
# new one's product code. Wine 8's msiexec removes it without that property, as a plain uninstall, so
# the old version's removal is run here with what Windows gives it.
msiexec /i "$MSI1" /qn
make_task
check "the stand-in logon task exists" test -s "$TASKS/SweepletTaskMachine"
cp "$TASKS/SweepletTaskMachine" "$WORK/task-before"
msiexec /x "$MSI1" /qn UPGRADINGPRODUCTCODE="{$product2}"
check "the upgrade's removal of the old version succeeds" test $? -eq 0
check "the upgrade's removal keeps the logon task, with the same definition" same "$WORK/task-before" "$TASKS/SweepletTaskMachine"
msiexec /i "$MSI1" /qn
msiexec /x "$MSI1" /qn
check "a plain uninstall deletes the logon task" absent "$TASKS/SweepletTaskMachine"

# Wine's Task Scheduler runs no task on demand (schtasks /Run answers 0 and does nothing), so a
# stand-in for schtasks.exe records what the package asks of it; the Wine prefix is told to prefer
# that file to its own schtasks.
SCHTASKS="$DRIVE/windows/system32/schtasks.exe"
CALLS="$DRIVE/schtasks-calls.txt"
cp "$SCHTASKS" "$WORK/schtasks.exe.wine"
cp "$BUILD_WIN/app/SchtasksStandIn.exe" "$SCHTASKS"
with_stand_in() { WINEDLLOVERRIDES="$WINEDLLOVERRIDES;schtasks.exe=n" "$@"; }
ran_task() { grep -qx '/Run /TN SweepletTaskMachine' "$CALLS" 2>/dev/null; }

echo "-- The new version starts through the logon task after an upgrade"
msiexec /i "$MSI1" /qn
make_task
rm -f "$CALLS"
with_stand_in msiexec /i "$MSI2" /qn
check "the quiet upgrade to $version2 succeeds" test $? -eq 0
check "after the upgrade the package runs the logon task once" \
  test "$(grep -cx '/Run /TN SweepletTaskMachine' "$CALLS" 2>/dev/null)" = 1
# The commit action runs last: after every other call the package makes.
check "it runs the task last, once the install has committed" test "$(tail -n 1 "$CALLS" | tr -d '\r')" = "/Run /TN SweepletTaskMachine"
rm -f "$CALLS"
with_stand_in msiexec /i "$MSI2" /qn REINSTALL=ALL REINSTALLMODE=vomus
check "a repair or reinstall runs no task" bash -c "! grep -q /Run '$CALLS' 2>/dev/null"
msiexec /x "$MSI2" /qn
rm -f "$CALLS"
with_stand_in msiexec /i "$MSI1" /qn
check "a first install runs no task" bash -c "! grep -q /Run '$CALLS' 2>/dev/null"

echo "-- An upgrade that fails"
# A package of a still higher version that fails on purpose after the old version's removal and its
# own files: Windows Installer rolls all of it back, the old version's removal included (it runs
# inside the new install's transaction, as the table checks above show), and the old version stays
# installed and runnable. Wine 8's msiexec removes the old version in a transaction of its own, so
# what it can show is that a failed upgrade fails and does not run the logon task.
rm -f "$CALLS"
with_stand_in msiexec /i "$MSI3" /qn
check "the failing upgrade fails" test $? -ne 0
check "the failing upgrade runs no task" bash -c "! grep -q /Run '$CALLS' 2>/dev/null"
msiexec /x "$MSI1" /qn
cp "$WORK/schtasks.exe.wine" "$SCHTASKS"

wineserver -k 2>/dev/null
stop_xvfb
trap - EXIT

# --- Signing ---------------------------------------------------------------------------------------

echo "-- Signing with a throwaway certificate"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$WORK/key.pem" -out "$WORK/cert.pem" -days 2 \
  -subj "/CN=Sweeplet test signing" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
SWEEPLET_SIGN_CERT="$WORK/cert.pem" SWEEPLET_SIGN_KEY="$WORK/key.pem" "$COPY/scripts/package" >"$WORK/package4.log" 2>&1
check "a signed build succeeds (log: $WORK/package4.log)" contains "$WORK/package4.log" "^Signed with"
verify() { osslsigncode verify -CAfile "$WORK/cert.pem" -in "$1" >"$WORK/verify.txt" 2>&1; }
check "the signed exe verifies" verify "$COPY/build/package/stage/Sweeplet.exe"
check "the signed MSI verifies" verify "$COPY/build/dist/Sweeplet-$version2-x64.msi"
python3 -c "import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read('Sweeplet/Sweeplet.exe'))" \
  "$COPY/build/dist/Sweeplet-$version2-x64.zip" >"$WORK/zipped-signed.exe"
check "the zip holds the signed exe" verify "$WORK/zipped-signed.exe"
check "an unsigned exe does not verify" bash -c "! osslsigncode verify -CAfile '$WORK/cert.pem' -in '$WORK/Sweeplet1.exe' >/dev/null 2>&1"
check "without a time-stamp authority the signature carries no time stamp" lacks "$WORK/verify.txt" "Timestamp time"
cp "$COPY/build/package/stage/Sweeplet.exe" "$WORK/signed-unstamped.exe"

echo "-- Time stamps from a local time-stamp authority"
# A throwaway time-stamp authority: `openssl ts -reply` behind a small HTTP server on 127.0.0.1.
TSA="$WORK/tsa"
mkdir -p "$TSA"
cat >"$TSA/tsa.cnf" <<'EOF2'
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = ./serial
crypto_device = builtin
signer_cert = ./tsa.pem
certs = ./tsa.pem
signer_key = ./tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512, sha1
accuracy = secs:1
ordering = yes
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOF2
echo 01 >"$TSA/serial"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$TSA/tsa.key" -out "$TSA/tsa.pem" -days 2 \
  -subj "/CN=Sweeplet test time stamps" -addext "extendedKeyUsage=critical,timeStamping" >/dev/null 2>&1
python3 "$ROOT/tests/package/tsa_server.py" "$TSA" "$TSA/port" &
tsa_pid=$!
for _ in $(seq 100); do [ -s "$TSA/port" ] && break; sleep 0.1; done
tsa_url="http://127.0.0.1:$(cat "$TSA/port" 2>/dev/null)/"
# The authority is asked directly, whatever proxy the environment names.
NO_PROXY=127.0.0.1 no_proxy=127.0.0.1 SWEEPLET_SIGN_TIMESTAMP_URL="$tsa_url" \
  SWEEPLET_SIGN_CERT="$WORK/cert.pem" SWEEPLET_SIGN_KEY="$WORK/key.pem" "$COPY/scripts/package" >"$WORK/package5.log" 2>&1
check "a time-stamped build succeeds (log: $WORK/package5.log)" contains "$WORK/package5.log" "^Signed with .*, time-stamped by $tsa_url"
check "the time-stamp authority answered for the exe and the MSI" test "$(cat "$TSA/answered" 2>/dev/null | wc -l)" -eq 2
# After the signing certificate has expired (it is valid for two days), as Windows checks a
# signature years later: a time-stamped signature still holds, one without a stamp does not.
later=$(($(date +%s) + 5 * 24 * 3600))
verify_stamped() {
  osslsigncode verify -CAfile "$WORK/cert.pem" -TSA-CAfile "$TSA/tsa.pem" -in "$1" >"$WORK/verify.txt" 2>&1 &&
    grep -q "Timestamp Server Signature verification: ok" "$WORK/verify.txt" &&
    osslsigncode verify -CAfile "$WORK/cert.pem" -TSA-CAfile "$TSA/tsa.pem" -time "$later" -in "$1" >/dev/null 2>&1
}
check "the time-stamped exe verifies, also after the certificate expired" verify_stamped "$COPY/build/package/stage/Sweeplet.exe"
check "the time-stamped MSI verifies, also after the certificate expired" verify_stamped "$COPY/build/dist/Sweeplet-$version2-x64.msi"
check "a signature without a time stamp fails once the certificate expired" bash -c \
  "! osslsigncode verify -CAfile '$WORK/cert.pem' -time $later -in '$WORK/signed-unstamped.exe' >/dev/null 2>&1"
kill "$tsa_pid" 2>/dev/null
wait "$tsa_pid" 2>/dev/null
NO_PROXY=127.0.0.1 no_proxy=127.0.0.1 SWEEPLET_SIGN_TIMESTAMP_URL="$tsa_url" \
  SWEEPLET_SIGN_CERT="$WORK/cert.pem" SWEEPLET_SIGN_KEY="$WORK/key.pem" "$COPY/scripts/package" >"$WORK/package6.log" 2>&1
check "an authority that does not answer fails the build" test $? -ne 0

echo "Package sizes: exe $(stat -c %s "$WORK/Sweeplet1.exe"), zip $(stat -c %s "$WORK/dist1/$base.zip")," \
  "msi $(stat -c %s "$WORK/dist1/$base.msi"), debug $(stat -c %s "$WORK/dist1/$base.debug") bytes"
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
