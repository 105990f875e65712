#!/usr/bin/env bash
# The update check leaves the HTTP client at the platform's defaults: certificate checks stay on.
# No option is ever set on a request, so Sweeplet.exe neither imports WinHttpSetOption nor looks it
# up by name, and no source of the program names the flags that switch certificate checks off.
#   check_request_options.sh <Sweeplet.exe> <source root>
set -euo pipefail
exe="$1"
root="$2"
status=0
[ -s "$exe" ] || { echo "no program at $exe"; exit 1; }
if grep -qa 'WinHttpSetOption' "$exe"; then
  echo "Sweeplet.exe can set request options (WinHttpSetOption is imported or named)"
  status=1
fi
hits=$(grep -rnE 'WINHTTP_OPTION_SECURITY_FLAGS|SECURITY_FLAG_IGNORE_|WinHttpSetOption' \
         --include='*.cpp' --include='*.h' "$root" \
         --exclude-dir=tests --exclude-dir=build --exclude-dir=tools --exclude-dir=.git || true)
if [ -n "$hits" ]; then
  echo "the program's sources set request options:"
  echo "$hits"
  status=1
fi
[ $status -eq 0 ] && echo "ok: no request option, certificate checks at the platform's default"
exit $status
