#!/usr/bin/env bash
# A short live session: the terminal simulator on a pseudo-terminal, the host's monitor on the
# other end. Calls come in, the receiver goes off and on hook, then the host sets the terminal's
# clock and area code, reads them back and lists the stored calls and the rejected numbers; last
# the gateway logs calls, delivers them to MQTT and shows them on its board (a web page), and after
# a restart logs a call that came while it was stopped from the terminal's memory.
# Both programs write into one stream, labelled line by line, so that what the host shows always
# comes after the simulator's line that caused it. VELKO_DEMO_PACE scales the pauses (default 1).
set -euo pipefail
cd "$(dirname "$0")/.."
VELKO=${VELKO:-build/bin/velko}
pace=${VELKO_DEMO_PACE:-1}

work=$(mktemp -d)
pids=()
cleanup() {
  exec 3>&- 4>&- 5>&- 6>&- 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ -t 1 ]; then bold=$'\033[1m' dim=$'\033[2m' plain=$'\033[0m'; else bold='' dim='' plain=''; fi
say() { printf '\n%s%s%s\n' "$bold" "$*" "$plain"; }
pause() { sleep "$(awk -v s="$1" -v p="$pace" 'BEGIN { print s * p }')"; }
# The shared stream, labelled (and styled) line by line as it comes: the simulator's first line is
# the path of its pseudo-terminal, kept for the host, and its log lines start with their time.
label() {
  local line stamped='^ *[0-9]+\.[0-9]{3} '
  IFS= read -r line && echo "$line" >"$work/path" && echo "$dim  terminal │ $line$plain"
  while IFS= read -r line; do
    if [[ $line =~ $stamped ]]; then
      echo "$dim  terminal │ $line$plain"
    else
      echo "      host │ $line"
    fi
  done
}
# One program's own stream, labelled (and styled) line by line as it comes.
tagged() { sed -u "s/^.*\$/$2$1 │ &$plain/"; }

mkfifo "$work/scenario" "$work/commands" "$work/out"

say "The terminal simulator starts on a pseudo-terminal (its log is dimmed)"
label <"$work/out" &
pids+=($!)
exec 5>"$work/out"
"$VELKO" sim --start "2025-03-05 09:07" <"$work/scenario" >&5 &
sim=$!
pids+=("$sim")
exec 3>"$work/scenario"
for _ in $(seq 100); do
  [ -s "$work/path" ] && break
  sleep 0.05
done
path=$(cat "$work/path")

say "The host opens COM1, which is that pseudo-terminal, and shows what the control reports"
"$VELKO" monitor --device "1=$path" <"$work/commands" >&5 2>&5 &
monitor=$!
pids+=("$monitor")
exec 4>"$work/commands"
pause 0.5

scenario() { echo "$1" >&3; pause "${2:-0.8}"; }
command() { echo "$1" >&4; pause "${2:-0.8}"; }

say "A call comes in, the receiver is lifted and hung up, another call from a VIP"
scenario 'call 0212345678 홍길동 2 S'
scenario 'hook off' 0.5
scenario 'hook on'
scenario 'other 0311234567 김철수 1 V'
scenario 'reject 0701234567 광고전화' 0.2

say "The host sets the terminal's clock to 12-25 09:30 and its area code to 031"
command 'SendCmd 68 12-25 09:30'
command 'SendCmd 71 031'

say "... and reads them back (queries d and g)"
command 'SendCmd 100'
command 'SendCmd 103'

say "The stored calls (a) and the rejected numbers (j)"
command 'SendCmd 97'
command 'SendCmd 106' 1

say "The host closes the port; the simulator stops"
kill -INT "$monitor"
wait "$monitor" || true
echo quit >&3
wait "$sim" || true

say "velko gateway: a new simulator's calls go to the call log, to an MQTT broker, where a
subscriber sees them (the broker is mosquitto on a free loopback port), and to the board"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf 'listener %s 127.0.0.1\nallow_anonymous true\nuser %s\n' "$port" "$(id -un)" >"$work/mosquitto.conf"
mosquitto -c "$work/mosquitto.conf" >/dev/null 2>&1 &
pids+=($!)
mkfifo "$work/scenario2" "$work/terminal2.out"
{ read -r path && echo "$path" >"$work/path2" && cat >/dev/null; } <"$work/terminal2.out" &
pids+=($!)
"$VELKO" sim <"$work/scenario2" >"$work/terminal2.out" 2>&1 &
pids+=($!)
exec 6>"$work/scenario2"
for _ in $(seq 100); do
  [ -s "$work/path2" ] && break
  sleep 0.05
done
for _ in $(seq 100); do
  (exec 7<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.05
done
mosquitto_sub -p "$port" -q 1 -v -t 'velko/#' > >(tagged "subscriber" "$dim") &
pids+=($!)
board=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$VELKO" gateway --device "1=$(cat "$work/path2")" --line demo --calls "$work/calls.db" \
  --mqtt "127.0.0.1:$port" --ringing-seconds 2 --http "127.0.0.1:$board" > >(tagged "   gateway" "") 2>&1 &
gateway=$!
pids+=("$gateway")
pause 1
say "The board, the gateway's web page of the line, is up until the gateway stops: open
http://127.0.0.1:$board/ in a browser on this machine"
pause 2
echo 'call 0212345678 홍길동 2 S' >&6
pause 3
echo 'hook off' >&6
pause 1
echo 'hook on' >&6
pause 1
echo 'call 0311234567 김철수 1 V' >&6
pause 3
echo 'call 0701234567 광고전화 0 B' >&6
pause "${VELKO_DEMO_BOARD_SECONDS:-20}"

say "SIGTERM stops the gateway. A call comes while it is away: the terminal keeps it in its memory"
kill -TERM "$gateway"
wait "$gateway" || true
echo 'store 0509876543 이영희 0 S' >&6
pause 1

say "The gateway starts again, reads the terminal's memory and logs and delivers the call from it"
"$VELKO" gateway --device "1=$(cat "$work/path2")" --line demo --calls "$work/calls.db" \
  --mqtt "127.0.0.1:$port" > >(tagged "   gateway" "") 2>&1 &
gateway=$!
pids+=("$gateway")
pause 3
kill -TERM "$gateway"
wait "$gateway" || true

say "The call log (velko log)"
pause 0.3
"$VELKO" log --calls "$work/calls.db"
