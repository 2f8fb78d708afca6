#!/usr/bin/env bash
# The spooler and a real print server: starts a cupsd of its own in a temporary directory (a
# socket there, nothing on the network) with a printer whose device is a file, prints a golden
# run through it and checks that the job arrives as the PDF of the run. Skipped, with a message,
# where cupsd is not installed (scripts/setup.sh installs it).
set -u
build="$1"
source_dir="${2:-$(cd "$(dirname "$0")/../.." && pwd)}"
vakprint="$(cd "$build" && pwd)/vakprint"
[ -x "$vakprint" ] || { echo "vakprint not built at $vakprint"; exit 1; }
cupsd=$(command -v cupsd || ls /usr/sbin/cupsd 2>/dev/null)
if [ -z "$cupsd" ] || ! command -v lpadmin >/dev/null || ! command -v pdfinfo >/dev/null; then
  echo "SKIP - cupsd, lpadmin or pdfinfo is not installed (the cups and poppler-utils packages)"
  exit 0
fi
tmp=$(mktemp -d)
chmod 755 "$tmp"
cupsd_pid=
cleanup() {
  [ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
check() {  # check <description> <condition...>
  local what="$1"; shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}

mkdir -p "$tmp"/{conf,spool/tmp,cache,state,log,out,work}
chmod 1777 "$tmp/out"
socket="$tmp/cups.sock"
cat >"$tmp/conf/cupsd.conf" <<CONF
Listen $socket
LogLevel debug
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$tmp/conf/cups-files.conf" <<CONF
ServerRoot $tmp/conf
RequestRoot $tmp/spool
TempDir $tmp/spool/tmp
CacheDir $tmp/cache
StateDir $tmp/state
ErrorLog $tmp/log/error_log
AccessLog $tmp/log/access_log
PageLog $tmp/log/page_log
FileDevice Yes
CONF
"$cupsd" -f -c "$tmp/conf/cupsd.conf" -s "$tmp/conf/cups-files.conf" &
cupsd_pid=$!
for _ in $(seq 100); do [ -S "$socket" ] && break; sleep 0.1; done
if [ ! -S "$socket" ]; then
  echo "FAIL - cupsd did not start:"; cat "$tmp/log/error_log" 2>/dev/null; exit 1
fi
export CUPS_SERVER="$socket"
# A queue without a printer description starts no process for a file device and writes nothing,
# so the printer gets a description whose one filter passes PDF on as PDF.
cat >"$tmp/pdf.ppd" <<'PPD'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "PDFFILE.PPD"
*Manufacturer: "Local"
*Product: "(PDF file)"
*ModelName: "PDF file"
*ShortNickName: "PDF file"
*NickName: "PDF file"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*cupsFilter2: "application/pdf application/vnd.cups-pdf 0 pdftopdf"
*OpenUI *PageSize/Page Size: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
PPD
lpadmin -p Oficina -v "file://$tmp/out/oficina.pdf" -P "$tmp/pdf.ppd" -E 2>"$tmp/lpadmin.err" &&
  lpadmin -d Oficina 2>>"$tmp/lpadmin.err"
check "a printer with a file device is set up" test $? -eq 0

# Waits until the server has finished every job, then until the device file is complete.
wait_for_jobs() {
  for _ in $(seq 200); do
    [ -z "$(lpstat -o 2>/dev/null)" ] && [ -s "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

pages_of() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ {print $2}'; }

# The golden letters with the device naming the queue.
golden="$source_dir/tests/golden/letters_cat.tmp"
expected_pages=$(grep -ac '^PAGE' "$golden")
sed '1s/^DEVICE[^\r]*/DEVICEOficina/' "$golden" >"$tmp/work/vakprint.tmp"
env -i CUPS_SERVER="$socket" VAKTMP="$tmp/work/" "$vakprint" >"$tmp/out1" 2>&1
check "named queue: exit code 0" test $? -eq 0
check "named queue: the job is reported" grep -q "sent to printer queue \"Oficina\", job [0-9]" "$tmp/out1"
check "named queue: the job arrives" wait_for_jobs "$tmp/out/oficina.pdf"
check "named queue: the job is the run's PDF ($expected_pages pages)" \
  test "$(pages_of "$tmp/out/oficina.pdf")" = "$expected_pages"
check "named queue: the job is named after the run" \
  grep -q 'argv\[3\]="vakprint [0-9-]*, '"$expected_pages"' pages"' "$tmp/log/error_log"

# The old platform's printer port goes to the default queue.
rm -f "$tmp/out/oficina.pdf"
printf 'DEVICELPT1\r\nPAGE 66 \r\n 1 ,one, 1 \r\nPAGE 66 \r\n 1 ,two, 1 \r\n' >"$tmp/work/vakprint.tmp"
env -i CUPS_SERVER="$socket" VAKTMP="$tmp/work/" "$vakprint" >"$tmp/out2" 2>&1
check "LPT1: exit code 0" test $? -eq 0
check "LPT1: the default queue gets the job" wait_for_jobs "$tmp/out/oficina.pdf"
check "LPT1: two pages" test "$(pages_of "$tmp/out/oficina.pdf")" = 2

# An unknown queue: its name in the message, exit code 1, the PDF kept.
rm -f "$tmp/work/vakprint.pdf"
printf 'DEVICEMagatzem\r\nPAGE 66 \r\n 1 ,kept, 1 \r\n' >"$tmp/work/vakprint.tmp"
env -i CUPS_SERVER="$socket" VAKTMP="$tmp/work/" "$vakprint" >"$tmp/out3" 2>&1
check "unknown queue: exit code 1" test $? -eq 1
check "unknown queue: named in the message" grep -q 'no printer queue "Magatzem"' "$tmp/out3"
check "unknown queue: the PDF is kept" test "$(pages_of "$tmp/work/vakprint.pdf")" = 1

# A server that does not answer: said so, exit code 1, the PDF kept.
rm -f "$tmp/work/vakprint.pdf"
env -i CUPS_SERVER="$tmp/nobody.sock" VAKTMP="$tmp/work/" "$vakprint" >"$tmp/out4" 2>&1
check "no server: exit code 1" test $? -eq 1
check "no server: said so" grep -q "does not answer" "$tmp/out4"
check "no server: the PDF is kept" test "$(pages_of "$tmp/work/vakprint.pdf")" = 1

[ $failures -gt 0 ] && { echo "--- cupsd error log"; tail -20 "$tmp/log/error_log"; }
exit $((failures > 0))
