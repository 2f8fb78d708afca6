#!/usr/bin/env bash
# The spooler as a program: where it looks for the print file, what it writes for each device,
# and that a missing, malformed or incomplete print file ends with a message and exit code 1
# without changing the previous output.
set -u
build="$1"
vakprint="$(cd "$build" && pwd)/vakprint"
[ -x "$vakprint" ] || { echo "vakprint not built at $vakprint"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
check() {  # check <description> <condition...>
  local what="$1"; shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}

# Case 1: VAKTMP names the work directory.
mkdir -p "$tmp/work"
printf 'DEVICETXT\r\nPAGE 66 \r\n 3 ,Pla\x87a, 1 \r\nPAGE 66 \r\n 1 ,two, 1 \r\n' >"$tmp/work/vakprint.tmp"
(cd "$tmp" && env -i VAKTMP="$tmp/work/" "$vakprint" >"$tmp/out1" 2>&1)
check "VAKTMP: exit code 0" test $? -eq 0
check "VAKTMP: pages written beside the print file" \
  cmp -s "$tmp/work/vakprint.txt" <(printf '  Pla\xc3\xa7a\n\ftwo\n')

# Case 2: no VAKTMP; the session file in the current directory names the terminal directory.
mkdir -p "$tmp/sess/term"
printf '[Terminal]\r\nDir=%s\r\n' "$tmp/sess/term" >"$tmp/sess/Sessio.ini"
printf 'DEVICEtxt\r\nPAGE 66 \r\n 1 ,session, 1 \r\n' >"$tmp/sess/term/vakprint.tmp"
(cd "$tmp/sess" && env -i TERM=/nowhere "$vakprint" >/dev/null 2>&1)
check "Sessio.ini [Terminal] Dir: exit code 0" test $? -eq 0
check "Sessio.ini [Terminal] Dir: output written" grep -q '^session$' "$tmp/sess/term/vakprint.txt"

# Case 3: neither; the suite's TERM (VAKTERM on the host) names it, never the terminal type.
mkdir -p "$tmp/t/term1"
printf 'DEVICE TXT \r\nPAGE 66 \r\n 1 ,term, 1 \r\n' >"$tmp/t/term1/vakprint.tmp"
(cd "$tmp/t" && env -i TERM=xterm-256color VAKTERM="$tmp/t/term1" "$vakprint" >/dev/null 2>&1)
check "TERM: exit code 0" test $? -eq 0
check "TERM: output written" grep -q '^term$' "$tmp/t/term1/vakprint.txt"

# Case 4: no print file: message naming it, exit code not 0, nothing written.
mkdir -p "$tmp/empty"
(cd "$tmp" && env -i VAKTMP="$tmp/empty/" "$vakprint" >"$tmp/out4" 2>&1)
rc=$?
check "missing print file: non-zero exit" test $rc -ne 0
# (The work directory keeps the separator it was given, so the name may show a doubled "/".)
check "missing print file: message names the file" grep -q "empty//*vakprint.tmp" "$tmp/out4"
check "missing print file: no output" test ! -e "$tmp/empty/vakprint.txt"

# Case 5: malformed record on line 3: message with the file and line; the previous output stays.
mkdir -p "$tmp/bad"
printf 'DEVICETXT\r\nPAGE 66 \r\ngarbage\r\n' >"$tmp/bad/vakprint.tmp"
echo "earlier run" >"$tmp/bad/vakprint.txt"
(cd "$tmp" && env -i VAKTMP="$tmp/bad/" "$vakprint" >"$tmp/out5" 2>&1)
rc=$?
check "malformed print file: exit code 1" test $rc -eq 1
check "malformed print file: message names file and line" \
  grep -q "bad//*vakprint.tmp: line 3:" "$tmp/out5"
check "malformed print file: previous output unchanged" grep -qx "earlier run" "$tmp/bad/vakprint.txt"
check "malformed print file: no temporary file left" test ! -e "$tmp/bad/vakprint.txt.part"

# Case 5b: a print file cut inside its last record is incomplete, named, and not printed.
printf 'DEVICETXT\r\nPAGE 66 \r\n 1 ,cut' >"$tmp/bad/vakprint.tmp"
(cd "$tmp" && env -i VAKTMP="$tmp/bad/" "$vakprint" >"$tmp/out5b" 2>&1)
check "cut print file: exit code 1" test $? -eq 1
check "cut print file: said to be incomplete, with its name" \
  grep -q "bad//*vakprint.tmp: line 3: the print file is incomplete" "$tmp/out5b"
check "cut print file: previous output unchanged" grep -qx "earlier run" "$tmp/bad/vakprint.txt"

# Case 5c: the print file missing: an earlier run's output does not pass for this run's.
rm "$tmp/bad/vakprint.tmp"
(cd "$tmp" && env -i VAKTMP="$tmp/bad/" "$vakprint" >"$tmp/out5c" 2>&1)
check "missing print file after a run: exit code 1" test $? -eq 1
check "missing print file after a run: the old output removed" test ! -e "$tmp/bad/vakprint.txt"

# Case 7: no device: the pages become vakprint.pdf, one PDF page per page.
mkdir -p "$tmp/pdf"
printf 'DEVICE\r\nPAGE 66 \r\n 3 ,one, 1 \r\nPAGE 66 \r\n 1 ,two, 1 \r\n' >"$tmp/pdf/vakprint.tmp"
(cd "$tmp" && env -i VAKTMP="$tmp/pdf/" "$vakprint" >"$tmp/out7" 2>&1)
check "PDF: exit code 0" test $? -eq 0
check "PDF: two pages" test "$(pdfinfo "$tmp/pdf/vakprint.pdf" | awk '/^Pages:/ {print $2}')" = 2
check "PDF: the message tells the pages and the file" grep -q "2 pages saved in .*vakprint.pdf" "$tmp/out7"

# Case 6: arguments are refused; --help and --version answer.
(cd "$tmp" && env -i VAKTMP="$tmp/work/" "$vakprint" extra >/dev/null 2>&1)
check "arguments refused with exit code 2" test $? -eq 2
check "--help tells the devices and exit codes" \
  bash -c '"$0" --help | grep -q "PANTALLA" && "$0" --help | grep -q "^Exit codes"' "$vakprint"
check "--version names the program" bash -c '"$0" --version | grep -q "^vakprint [0-9]"' "$vakprint"

exit $((failures > 0))
