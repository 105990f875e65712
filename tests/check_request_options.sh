#!/usr/bin/env bash
# The update check keeps the platform's certificate checks: no source of the program names the
# option or the flags that switch them off, and every option it sets on a session or a request is
# one that cannot lower them (the protocols, TLS 1.2 on older systems; the proxy a configuration
# script chose). winhttp.dll is loaded at run time from the system folder, never imported.
#   check_request_options.sh <Sweeplet.exe> <source root>
set -euo pipefail
exe="$1"
root="$2"
status=0
[ -s "$exe" ] || { echo "no program at $exe"; exit 1; }
if x86_64-w64-mingw32-objdump -p "$exe" | grep -qi 'DLL Name: winhttp.dll'; then
  echo "Sweeplet.exe imports winhttp.dll (it must come from the system folder at run time)"
  status=1
fi
sources=(--include='*.cpp' --include='*.h' --exclude-dir=tests --exclude-dir=build --exclude-dir=tools --exclude-dir=.git)
hits=$(grep -rnE 'WINHTTP_OPTION_SECURITY_FLAGS|SECURITY_FLAG_IGNORE_|WINHTTP_OPTION_CLIENT_CERT|WINHTTP_DISABLE_' \
         "${sources[@]}" "$root" || true)
if [ -n "$hits" ]; then
  echo "the program's sources name options that lower certificate checks:"
  echo "$hits"
  status=1
fi
# Each call names its option on the call's own line; any other option, or a number, is refused.
hits=$(grep -rnE 'WinHttpSetOption *\(' "${sources[@]}" "$root" \
         | grep -vE 'WinHttpSetOption *\([^,]+, *WINHTTP_OPTION_(SECURE_PROTOCOLS|PROXY),' || true)
if [ -n "$hits" ]; then
  echo "the program's sources set an option other than the protocols or the proxy:"
  echo "$hits"
  status=1
fi
if [ "$(grep -rlE 'WinHttpSetOption *\(' "${sources[@]}" "$root" | wc -l)" -gt 1 ]; then
  echo "request options are set outside update/HttpGet.cpp"
  status=1
fi
[ $status -eq 0 ] && echo "ok: certificate checks at the platform's default; only the protocols and the proxy are set"
exit $status
