#!/usr/bin/env bash
# The program as an operator meets it: started exactly as the README's first command does
# (scripts/run.sh) in a private tmux server, the parameter screen filled in with real keys,
# the run confirmed, the spooler waited for, Esc. Checked: the exit code, the screens (Catalan,
# and Spanish with Idioma=SPA), the letters the spooler wrote, and the terminal given back;
# then the same program killed with SIGTERM and with SIGSEGV on the parameter screen.
# Usage: program_tmux_test.sh <build-dir> <source-dir>
set -u

build=${1:?usage: program_tmux_test.sh <build-dir> <source-dir>}
source_dir=${2:?usage: program_tmux_test.sh <build-dir> <source-dir>}
if ! command -v tmux >/dev/null 2>&1; then
  echo "SKIPPED: tmux is not installed"
  exit 0
fi
build=$(cd "$build" && pwd)
source_dir=$(cd "$source_dir" && pwd)
run_root=$build/sample-run

# shellcheck source=tmux_lib.sh
source "$(dirname "$0")/tmux_lib.sh"

# Starts scripts/run.sh in session $1 with language $2 on an 80 x 25 terminal (or size $3);
# after it ends the pane records its exit status and the terminal settings.
start_program() {
  local name=$1 language=$2 size=${3:-80x25}
  local command
  command="cd $(printf %q "$source_dir") && env TERM=xterm-256color LANG=C.UTF-8"
  command+=" ZEM_BUILD_DIR=$(printf %q "$build") bash scripts/run.sh $language"
  command+=" 2>$(printf %q "$work/$name.err"); echo exit=\$? >$(printf %q "$work/$name.status")"
  command+="; stty -a >$(printf %q "$work/$name.stty"); sleep 60"
  new_session "$name" "$size" "$command" || return 1
}

# Sends keys one by one, each after the screen has taken the previous one in.
keys() {
  local name=$1
  shift
  local key
  for key in "$@"; do
    tm send-keys -t "$name" "$key"
    sleep 0.15
  done
}

# Waits up to about 60 s for the spooler's output of a run.
wait_for_print() {
  local tries=600
  while [ "$tries" -gt 0 ]; do
    [ -s "$run_root/TMP/$1" ] && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Text of the PDF the spooler wrote.
printed_text() { pdftotext -layout "$run_root/TMP/vakprint.pdf" - 2>/dev/null; }

# ---- Catalan: letters for every unit with the RECCAT template ----
start_program cat CAT || fail "the program did not start"
if wait_for_screen cat "Etiquetes per pàgina"; then
  screen=$(screen_of cat)
  for expected in "Cartes de reclamació de rebuts pendents" "Data de les cartes" \
    "Estat dels rebuts ........: Pendents i retornats" "Import pendent, màxim ....: 20.000.000,00"; do
    grep -qF -- "$expected" <<<"$screen" || fail "Catalan screen lacks \"$expected\""
  done
  keys cat Enter R E C C A T Enter
  wait_for_screen cat "Recordatori de rebuts pendents (ca)" || fail "the template's description is not shown"
  for _ in $(seq 13); do keys cat Enter; done
  wait_for_screen cat "Es fa la tramesa?" || fail "no confirmation screen: $(screen_of cat)"
  keys cat S Enter
  wait_for_print vakprint.pdf || fail "the spooler wrote no letters"
  wait_for_screen cat "Data de les cartes" || fail "the parameter screen did not come back"
  sleep 0.3
  tm send-keys -t cat Escape
  check_given_back cat 0
  wait_for_screen cat "vakprint.pdf" || fail "run.sh did not say where the letters are"
  letters=$(printed_text)
  grep -q "vuit de desembre del dos mil vint-i-sis" <<<"$letters" || fail "the letters lack the date words"
  grep -q "Administracions Serrallonga, S.L." <<<"$letters" || fail "the letters lack the letterhead"
  [ "$(grep -c "Recordatori de pagament" <<<"$letters")" -ge 20 ] || fail "fewer letters than expected"
else
  fail "the Catalan parameter screen did not appear: $(screen_of cat) $(cat "$work/cat.err")"
fi

# ---- The pop-ups: a date from the calendar, a minimum total from the calculator ----
all_letters=$(grep -c "Recordatori de pagament" <<<"${letters:-}")
start_program pop CAT || fail "the program did not start for the pop-ups"
if wait_for_screen pop "Etiquetes per pàgina"; then
  # The date field emptied, then the calendar: one day on from the session date, taken with F.
  keys pop C-y M-c
  wait_for_screen pop "DESEMBRE" || fail "Alt+C opened no calendar: $(screen_of pop)"
  keys pop Right F
  wait_for_screen pop "9/12/2026" || fail "the calendar's date is not in the field: $(screen_of pop)"
  keys pop Enter R E C C A T Enter Enter Enter Enter Enter Enter Enter Enter
  # Field 10, the minimum total: emptied, then 150 from the calculator (15000 hundredths).
  keys pop C-y M-x
  sleep 0.3
  keys pop 1 5 0 F
  wait_for_screen pop "mínim ....: 15000" || fail "the calculator's figure is not in the field: $(screen_of pop)"
  for _ in $(seq 6); do keys pop Enter; done
  wait_for_screen pop "Es fa la tramesa?" || fail "no confirmation after the pop-ups: $(screen_of pop)"
  keys pop S Enter
  wait_for_print vakprint.pdf || fail "the spooler wrote no letters after the pop-ups"
  wait_for_screen pop "Data de les cartes" || fail "the parameter screen did not come back"
  sleep 0.3
  tm send-keys -t pop Escape
  check_given_back pop 0
  letters=$(printed_text)
  grep -q "nou de desembre del dos mil vint-i-sis" <<<"$letters" ||
    fail "the letters do not carry the calendar's date"
  some=$(grep -c "Recordatori de pagament" <<<"$letters")
  [ "$some" -gt 0 ] && [ "$some" -lt "$all_letters" ] ||
    fail "the minimum total did not limit the letters ($some of $all_letters)"
else
  fail "the parameter screen did not appear for the pop-ups"
fi

# ---- Spanish: the screens translated, labels through the pick list of templates ----
start_program spa SPA 100x30 || fail "the program did not start in Spanish"
if wait_for_screen spa "Etiquetas por página"; then
  screen=$(screen_of spa)
  for expected in "Fecha de las cartas" "Pendientes y devueltos" "Salida ...................: Cartas"; do
    grep -qF -- "$expected" <<<"$screen" || fail "Spanish screen lacks \"$expected\""
  done
  # Nothing beyond the 80 x 25 screen on a larger terminal.
  [ -z "$(screen_of spa | LC_ALL=C.UTF-8 sed -n 's/^.\{80\}//p' | tr -d ' ')" ] || fail "characters right of column 80"
  [ -z "$(screen_of spa | sed -n '26,$p' | tr -d ' ')" ] || fail "characters below row 25"
  keys spa Enter Enter Enter Enter Enter Enter Enter Enter Enter Enter Enter E Enter Enter Enter Enter
  wait_for_screen spa "¿Se hace el envío?" || fail "no Spanish confirmation: $(screen_of spa)"
  keys spa S Enter
  wait_for_print vakprint.pdf || fail "the spooler wrote no labels"
  wait_for_screen spa "Fecha de las cartas" || fail "the Spanish parameter screen did not come back"
  sleep 0.3
  tm send-keys -t spa Escape
  check_given_back spa 0
  grep -q "Vidal Costa" <<<"$(printed_text)" || fail "the labels lack an owner"
else
  fail "the Spanish parameter screen did not appear: $(screen_of spa) $(cat "$work/spa.err")"
fi

# ---- Killed on the parameter screen: SIGTERM, then a fault ----
for kill in TERM:143 SEGV:255; do
  signal=${kill%%:*}
  name=sig$signal
  start_program "$name" CAT || fail "$name: the program did not start"
  if wait_for_screen "$name" "Etiquetes per pàgina"; then
    pkill -"$signal" -f "^$build/zembralo\$" || fail "$name: no program to signal"
    # run.sh reports the program's own exit status as its own.
    check_given_back "$name" "${kill##*:}"
  else
    fail "$name: the parameter screen did not appear"
  fi
done

if [ "$failures" -gt 0 ]; then
  echo "program_tmux_test: $failures check(s) failed" >&2
  exit 1
fi
echo "program_tmux_test: all checks passed"
