# Shared by the real-terminal tests: a private, detached tmux server, a temporary folder
# ($work) removed at exit, and the waits and checks that read the terminal.
socket=zemtest-$$
work=$(mktemp -d)
failures=0
unset TMUX
cleanup() {
  tmux -L "$socket" kill-server >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

tm() { tmux -L "$socket" "$@"; }

# Waits up to $3 tenths of a second until file $1 holds a line matching $2.
wait_for() {
  local tries=${3:-50}
  while [ "$tries" -gt 0 ]; do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Starts session $1 on a terminal of size $2 (such as 100x30) running the shell command $3.
new_session() {
  local name=$1 size=$2 command=$3
  if [ -z "$(tm list-sessions 2>/dev/null)" ]; then
    SHELL=/bin/sh tm -f /dev/null new-session -d -x "${size%x*}" -y "${size#*x}" -s "$name" "$command"
  else
    SHELL=/bin/sh tm new-session -d -x "${size%x*}" -y "${size#*x}" -s "$name" "$command"
  fi
}

screen_of() { tm capture-pane -p -t "$1"; }

# Waits (up to about 10 s) until the pane of window $1 shows the fixed text $2.
wait_for_screen() {
  local tries=100
  while [ "$tries" -gt 0 ]; do
    grep -qF -- "$2" <<<"$(screen_of "$1")" && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# After the program in session $1 ended (its pane wrote $work/$1.status and $work/$1.stty): its
# exit status and a terminal back in its normal mode.
check_given_back() {
  local name=$1 expected_status=$2
  if ! wait_for "$work/$name.stty" 'speed\|rows' 50; then
    fail "$name: the program did not end"
    return
  fi
  grep -q "^exit=$expected_status\$" "$work/$name.status" ||
    fail "$name: exit status $(cat "$work/$name.status"), expected $expected_status"
  local setting
  for setting in icanon echo isig icrnl; do
    grep -qw -- "-$setting" "$work/$name.stty" && fail "$name: terminal left with -$setting"
  done
  [ "$(tm display -p -t "$name" '#{mouse_standard_flag}#{mouse_sgr_flag}')" = "00" ] ||
    fail "$name: mouse reporting left on"
  [ "$(tm display -p -t "$name" '#{alternate_on}')" = "0" ] ||
    fail "$name: the alternate screen was not left"
}

