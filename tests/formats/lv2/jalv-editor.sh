#!/bin/sh
# The editor in a real LV2 host: jalv.gtk3 (which embeds X11 UIs through suil) on a JACK server of
# the test's own with the dummy driver, on the display the caller gives (run-under-xvfb.sh). The
# probe finds the editor in jalv's window, saves its picture, and clicks the bypass switch, which
# must reach the plug-in through jalv as a change of the "enabled" control: the meter output, which
# jalv prints, then falls to 0.
#   jalv-editor.sh BUNDLE PROBE WORK_FOLDER ARTEFACT_FOLDER
set -u
bundle=$(realpath "$1") probe=$2 work=$3 artefacts=$4
uri=http://quellmar.org/lv2/QuellmarV3
fail() { echo "FAIL: $*"; exit 1; }
for tool in jackd jack_wait jack_connect jack_simple_client jalv.gtk3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
done
[ -n "${DISPLAY:-}" ] || fail "no display"
rm -rf "$work" && mkdir -p "$work/lv2" "$work/home" "$work/runtime" "$artefacts"
chmod 700 "$work/runtime"
ln -s "$bundle" "$work/lv2/QuellmarV3.lv2"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" LV2_PATH="$work/lv2" JACK_DEFAULT_SERVER="quellmar-test-$$"
export JACK_NO_AUDIO_RESERVATION=1 NO_AT_BRIDGE=1
pids=""
running() { [ -r "/proc/$1/status" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status"; }
# One at a time, the clients before the server, each forced after 3 s: a JACK client that closes
# while its server is going can hang, and the test must not wait for it.
cleanup() {
  for pid in $pids; do
    kill "$pid" 2>/dev/null
    for _ in $(seq 30); do running "$pid" || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  wait 2>/dev/null
}
trap cleanup EXIT

meter() { awk '$1 == "meter" {value = $3} END {print value}' "$work/jalv.log"; }
# The JACK server, jalv with the plug-in and a sine on its side-chain; true once jalv prints a meter
# above 0.5 (the instance, in key mode by default, reports its gain reduction on the meter output;
# bypassed, it reads 0).
startHost() {
  jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
  pids="$!"
  timeout 10 jack_wait -w >/dev/null 2>&1 || fail "the JACK server did not start"
  # jalv prints its controls through stdio: line-buffered, so each value reaches the log as
  # printed, not when a block of them has filled.
  stdbuf -oL jalv.gtk3 --print-controls --jack-name "$client" --exact-jack-name "$uri" </dev/null >"$work/jalv.log" 2>&1 &
  jalv=$!
  pids="$jalv $pids"
  jack_simple_client >"$work/sine.log" 2>&1 &
  pids="$! $pids"
  connected=0
  for _ in $(seq 100); do
    jack_connect jack_simple_client:output1 "$client:sidechain_l" 2>/dev/null &&
      jack_connect jack_simple_client:output2 "$client:sidechain_r" 2>/dev/null \
      && { connected=1; break; }
    sleep 0.1
  done
  [ $connected -eq 1 ] || { jack_lsp; fail "cannot connect a sine to jalv's side-chain"; }
  # jalv prints output controls from its UI's update loop, so under load the first printed meter
  # can come seconds after the connection.
  for _ in $(seq 200); do awk -v m="$(meter)" 'BEGIN {exit !(m > 0.5)}' && return 0; sleep 0.1; done
  return 1
}
# Now and then, in a CI run, the dummy-driven server marks jalv's client late on its very first
# cycle and the client never runs one ("not finished, state = Triggered", then only errors): its
# process thread waits in libjack for a wake-up that never comes. Then jalv's threads are recorded
# (when gdb is there) and the host is started again, up to three times in all, each time on a
# server and with a client of new names, so that nothing a stalled one left is shared. A plug-in
# that hangs in its run() stalls every start and still fails, as do no keying and no bypass below.
server=$JACK_DEFAULT_SERVER
client=QuellmarV3
try=1
while ! startHost; do
  grep -q "was not finished, state = Triggered" "$work/jackd.log" && [ $try -lt 3 ] || break
  echo "the JACK client never ran a cycle (start $try); starting the host again ($work/try-$try)"
  mkdir -p "$work/try-$try"
  command -v gdb >/dev/null &&
    timeout 60 gdb -p "$jalv" -batch -ex "thread apply all bt" >"$work/try-$try/jalv-threads.txt" 2>&1
  cleanup
  mv "$work/jackd.log" "$work/jalv.log" "$work/sine.log" "$work/try-$try/"
  pids=""
  try=$((try + 1))
  export JACK_DEFAULT_SERVER="$server-$try"
  client="QuellmarV3-$try"
done
before=$(meter)
# The bypass switch, at 1x: a click lights it, which turns the host's "enabled" off.
"$probe" "$artefacts/jalv-editor.png" "$artefacts/jalv-window.png" 260 66 || { cat "$work/jalv.log"; fail "the editor did not show up in jalv"; }
for _ in $(seq 100); do [ "$(meter)" = "0.000000" ] && break; sleep 0.1; done
after=$(meter)
kill "$jalv"; wait "$jalv" 2>/dev/null
echo "meter before the click $before, after it $after"
awk -v m="$before" 'BEGIN {exit !(m > 0.5)}' || { cat "$work/jalv.log"; fail "the instance in jalv did not key by its side-chain"; }
[ "$after" = "0.000000" ] || { tail -20 "$work/jalv.log"; fail "the click on bypass did not reach jalv as a change of enabled"; }
echo "jalv: the editor shown ($artefacts/jalv-window.png), a click on bypass reached the host"
