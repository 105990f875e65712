#!/usr/bin/env bash
# Reads what crash_test left in <exe folder>/crash-reports/<row>/ (report.txt, crash.dmp):
# - scripts/symbolize turns each report's frames into functions; the first frame that is neither
#   the reporter's own nor the run-time's is the function that failed;
# - lldb (Debian's, a reader nobody here wrote) opens each dump and shows the exception and the
#   failing thread's stack.
#   check_reports.sh SOURCE_DIR EXE_DIR
set -uo pipefail
ROOT="$1" DIR="$2"
status=0
# Frames of the reporter, the C++ run-time and the system between the failure and its cause.
skip='^\?\?$|^(sweeplet::ReportFailure|.*OnAbortSignal|__gnu_cxx::__verbose_terminate_handler|__cxa_pure_virtual|__cxxabiv1::__terminate|std::terminate|__cxa_[a-z_]+|__gxx_personality.*|_GCC_specific_handler|_Unwind_[A-Za-z_]+|___chkstk_ms)(\(.*\))? at '
for row in access-violation:FailAccessViolation stack-overflow:FailStackOverflow thread-exception:ThrowOnWorker \
           terminate:FailTerminate pure-virtual:Base::CallVirtual abort:FailAbort; do
  name="${row%%:*}" function="${row#*:}"
  report="$DIR/crash-reports/$name/report.txt" dump="$DIR/crash-reports/$name/crash.dmp"
  if [ ! -f "$report" ] || [ ! -f "$dump" ]; then
    echo "$name: no report left by crash_test"; status=1; continue
  fi
  symbolized="$("$ROOT/scripts/symbolize" "$report" "$DIR/CrashProbe.exe" CrashProbe.exe)" || { echo "$name: symbolize failed"; status=1; continue; }
  first="$(printf '%s\n' "$symbolized" | sed -n '/^Failing thread/,/^Other threads/p' | grep -E '^  #[0-9]+ ' |
           sed -n 's/^  #[0-9]* [^ ]*\( (scanned)\)\{0,1\}  //p' | grep -Ev "$skip" | head -1)"
  case "$first" in
    *"$function"*) echo "$name: $first" ;;
    *) echo "$name: first frame of ours is '$first', expected $function"; printf '%s\n' "$symbolized" | sed -n '/^Exception/,/^Other/p'; status=1 ;;
  esac

  if command -v lldb >/dev/null; then
    out="$(mktemp)"
    # Given the exe, lldb reads its unwind tables and names our frames.
    timeout 120 lldb --batch -o "target create $DIR/CrashProbe.exe --core $dump" -o 'thread list' -o 'bt' >"$out" 2>&1
    code="$(sed -n 's/^Exception: code 0x\([0-9a-f]*\).*/\1/p' "$report")"
    # lldb cannot unwind out of the stack probe that met an overflow: one frame is all it has there.
    frames=2; [ "$name" = stack-overflow ] && frames=1
    if grep -q "stop reason = Exception 0x$code" "$out" && [ "$(grep -c 'frame #' "$out")" -ge "$frames" ]; then
      echo "$name: lldb shows exception 0x$code and $(grep -c 'frame #' "$out") frames"
    else
      echo "$name: lldb did not show exception 0x$code and a stack:"; grep -v '^error: \|Traceback\|File "<string>"\|Error: ' "$out" | sed 's/^/  /' | head -30; status=1
    fi
    rm -f "$out"
  else
    echo "lldb is not installed (apt-get install lldb python3-lldb)"; status=1
  fi
done
exit $status
