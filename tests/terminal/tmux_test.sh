#!/usr/bin/env bash
# The terminal console on a real terminal: runs the key probe (tests/terminal/keyprobe.cpp)
# inside a private, detached tmux server, types real keys into it with "tmux send-keys",
# checks the key codes the probe decoded, reads the screen back with "tmux capture-pane" for
# the frame, the accents and the colours, and checks that the terminal is given back in a
# usable state after a normal end, a fault and SIGTERM.
# Usage: tmux_test.sh <build-dir> [source-dir]
set -u

build=${1:?usage: tmux_test.sh <build-dir> [source-dir]}
if ! command -v tmux >/dev/null 2>&1; then
  echo "SKIPPED: tmux is not installed"
  exit 0
fi
if ! cmake --build "$build" --target keyprobe >/dev/null; then
  echo "FAIL: the keyprobe program could not be built" >&2
  exit 1
fi
probe=$(cd "$build" && pwd)/tests/keyprobe

# shellcheck source=tmux_lib.sh
source "$(dirname "$0")/tmux_lib.sh"

# Starts the probe in session $1, with terminal type $2 (xterm-256color) on a terminal of
# size $3 (100x30). After the probe ends, the pane records its exit status and
# the terminal settings, and stays open for inspection.
start_probe() {
  local name=$1 term=${2:-xterm-256color} size=${3:-100x30}
  local command
  command="env TERM=$term LANG=C.UTF-8 $(printf %q "$probe") $(printf %q "$work/$name.out")"
  command+=" 2>$(printf %q "$work/$name.err"); echo exit=\$? >$(printf %q "$work/$name.status")"
  command+="; stty -a >$(printf %q "$work/$name.stty"); sleep 60"
  new_session "$name" "$size" "$command" || return 1
  wait_for "$work/$name.out" '^ready' 50
}

# ---- Keys, screen, mouse and resizing ----
if ! start_probe keys; then
  fail "the probe did not start: $(cat "$work/keys.err" 2>/dev/null)"
  exit 1
fi

screen=$(screen_of keys)
for expected in "╔══════════╗" "║ Café çà  ║" "╚══════════╝" "◄ Sí ►" "Last key:"; do
  grep -qF -- "$expected" <<<"$screen" || fail "screen lacks \"$expected\""
done
coloured=$(tm capture-pane -p -e -t keys)
frame_row=$(grep -F "╔" <<<"$coloured")
grep -q $'\e\\[[0-9;]*97[;m]' <<<"$frame_row" && grep -q $'\e\\[[0-9;]*44[;m]' <<<"$frame_row" ||
  fail "frame is not bright white on blue: $(cat -v <<<"$frame_row")"
arrow_row=$(grep -F "◄" <<<"$coloured")
grep -q $'\e\\[[0-9;]*93[;m]' <<<"$arrow_row" && grep -q $'\e\\[[0-9;]*41[;m]' <<<"$arrow_row" ||
  fail "arrows are not yellow on red: $(cat -v <<<"$arrow_row")"
[ "$(tm display -p -t keys '#{mouse_sgr_flag}')" = "1" ] || fail "SGR mouse reporting is not on"
[ "$(tm display -p -t keys '#{cursor_flag} #{cursor_y} #{cursor_x}')" = "1 7 12" ] ||
  fail "cursor not shown at row 8, column 13: $(tm display -p -t keys '#{cursor_y} #{cursor_x}')"

# Each key as tmux names it and the key code the program must see.
keys=(
  Up 4800 Down 5000 Left 4b00 Right 4d00 C-Left 7300 C-Right 7400 C-Home 7700
  Home 4700 End 4f00 PPage 4900 NPage 5100 IC 5200 DC 5300
  F1 3b00 F2 3c00 F10 4400 F11 8500 F12 8600 S-F1 5400 S-F10 5d00 C-F1 5e00 C-F4 6100
  M-F1 6800 M-F4 6b00 S-F12 8800 C-F11 8900 M-F12 8c00
  M-x 2d00 M-c 2e00 Tab 9 BTab f00 Enter d BSpace 8 C-c 3 C-v 16 C-y 19 C-b 2
  Space 20 a 61 Z 5a
)
expected_lines=()
for ((i = 0; i < ${#keys[@]}; i += 2)); do
  tm send-keys -t keys "${keys[i]}"
  expected_lines+=("key ${keys[i + 1]}")
  sleep 0.08
done
# Esc alone must wait out the delay that tells it from Alt+key.
tm send-keys -t keys Escape
expected_lines+=("key 1b")
sleep 1
# Accented letters typed as UTF-8 arrive as their code-page-850 characters.
for pair in "é 82" "ç 87" "à 85" "ñ a4" "·  fa"; do
  tm send-keys -t keys -l "${pair%% *}"
  expected_lines+=("key ${pair##* }")
  sleep 0.08
done
# Alt with digits spells a character code: 6 and 5 make "A".
tm send-keys -t keys M-6 M-5
sleep 0.08
tm send-keys -t keys x
expected_lines+=("key 41" "key 78")
sleep 0.08
# A left-button press at row 5, column 10 as SGR mouse report.
tm send-keys -t keys -H 1b 5b 3c 30 3b 31 30 3b 35 4d
expected_lines+=("click 5 10 1")
sleep 0.3
wait_for "$work/keys.out" '^click' 30

got=$(grep -v '^ready' "$work/keys.out")
want=$(printf '%s\n' "${expected_lines[@]}")
if [ "$got" != "$want" ]; then
  fail "decoded keys differ (expected | got):"
  diff <(echo "$want") <(echo "$got") | sed 's/^/    /' >&2
fi
grep -q "Last key: 78" <<<"$(screen_of keys)" || fail "the screen does not show the last key"

# A terminal too small shows the request to enlarge it, and the screen comes back after.
# Each key is sent only once the probe shows that it has seen the new size, so a slow machine
# cannot read a key before the resize that should come first.
tm resize-window -t keys -x 60 -y 20
wait_for_screen keys "80 x 25" || fail "no request to enlarge a 60 x 20 terminal"
tm send-keys -t keys -H 1b 5b 41  # Up
sleep 1.5
tm resize-window -t keys -x 100 -y 30
wait_for_screen keys "╔══════════╗" || fail "the screen did not come back after enlarging"
tm send-keys -t keys -H 1b 5b 42  # Down
wait_for "$work/keys.out" '^key 5000' 50
# Up, typed while the screen could not be seen, was set aside; Down, typed after, was read.
after_click=$(sed -n '/^click/,$p' "$work/keys.out" | tail -n +2)
[ "$after_click" = "key 5000" ] ||
  fail "keys around the resize: expected only \"key 5000\", got \"$after_click\""

# Another program gets the terminal in its normal mode, an interrupt sent meanwhile is the
# child's business, and the screen is drawn again afterwards.
tm send-keys -t keys '?'
wait_for "$work/keys.out.child" 'speed\|rows' 30 || fail "the child program did not run"
pid=$(sed -n 's/^ready //p' "$work/keys.out")
kill -INT "$pid"
wait_for "$work/keys.out" '^child' 40 || fail "the probe did not come back from the child"
grep -q '^child 7$' "$work/keys.out" || fail "child exit status: $(grep '^child' "$work/keys.out")"
for setting in icanon echo isig; do
  grep -qw -- "-$setting" "$work/keys.out.child" && fail "child got the terminal with -$setting"
done
tm send-keys -t keys Up
sleep 0.3
screen=$(screen_of keys)
grep -qF "╔══════════╗" <<<"$screen" && grep -q "Last key: 4800" <<<"$screen" ||
  fail "the screen was not drawn again after the child: $screen"
[ "$(tm display -p -t keys '#{mouse_sgr_flag}')" = "1" ] ||
  fail "mouse reporting is not back on after the child"

# The clipboard goes to the terminal too (OSC 52), and the cursor can be hidden.
tm set-option -g set-clipboard on
tm send-keys -t keys c
sleep 0.3
[ "$(tm show-buffer 2>/dev/null)" = "Café" ] ||
  fail "the terminal clipboard holds \"$(tm show-buffer 2>/dev/null)\", expected \"Café\""
tm send-keys -t keys -- -
sleep 0.3
[ "$(tm display -p -t keys '#{cursor_flag}')" = "0" ] || fail "the cursor was not hidden"
tm send-keys -t keys +
sleep 0.3
[ "$(tm display -p -t keys '#{cursor_flag}')" = "1" ] || fail "the cursor was not shown again"

tm send-keys -t keys C-q
wait_for "$work/keys.out" '^end' 30 || fail "Ctrl+Q did not end the probe"
check_given_back keys 0

# ---- An 8-colour terminal of exactly 80 x 25 ----
if start_probe eight xterm 80x25; then
  coloured=$(tm capture-pane -p -e -t eight)
  frame_row=$(grep -F "╔" <<<"$coloured")
  grep -q $'\e\\[1m' <<<"$frame_row" && grep -q $'\e\\[[0-9;]*44[;m]' <<<"$frame_row" ||
    fail "8 colours: frame is not bold on blue: $(cat -v <<<"$frame_row")"
  arrow_row=$(grep -F "◄" <<<"$coloured")
  grep -q $'\e\\[[0-9;]*33[;m]' <<<"$arrow_row" && grep -q $'\e\\[[0-9;]*41[;m]' <<<"$arrow_row" ||
    fail "8 colours: arrows are not brown on red: $(cat -v <<<"$arrow_row")"
  screen=$(screen_of eight)
  [ "$(sed -n 2p <<<"$screen")" = "  ╔══════════╗" ] || fail "80 x 25: the frame is not on row 2"
  [ "$(sed -n 25p <<<"$screen")" = "$(printf '%75s' '')edge█" ] ||
    fail "80 x 25: the last row is \"$(sed -n 25p <<<"$screen")\""
  tm send-keys -t eight C-q
  check_given_back eight 0
else
  fail "the probe did not start on an 8-colour terminal"
fi

# ---- A fault gives the terminal back and ends with 255 ----
if start_probe crash; then
  tm send-keys -t crash '!'
  check_given_back crash 255
  grep -q "unrecoverable fault" "$work/crash.err" || fail "no fault message: $(cat "$work/crash.err")"
else
  fail "the probe did not start for the fault check"
fi

# ---- SIGTERM gives the terminal back ----
if start_probe term; then
  pid=$(sed -n 's/^ready //p' "$work/term.out")
  kill -TERM "$pid"
  check_given_back term 143
else
  fail "the probe did not start for the SIGTERM check"
fi

if [ "$failures" -ne 0 ]; then
  echo "tmux_test: $failures check(s) failed" >&2
  exit 1
fi
echo "tmux_test: all checks passed"
