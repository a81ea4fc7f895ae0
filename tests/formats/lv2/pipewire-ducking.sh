#!/bin/sh
# The desktop-ducking configuration of docs/pipewire in a PipeWire of the test's own: a headless
# daemon (a dummy driver, no session bus, no session manager) under a private XDG_RUNTIME_DIR loads
# the configuration as a drop-in; the test links what a session manager would link, plays music
# into the ducked sink and a voice into the microphone's loopback with pw-cat, records what comes
# out, and checks that the music went down by the range while the voice spoke and came back after.
#   pipewire-ducking.sh CONFIGURATION BUNDLE WORK_FOLDER
set -u
configuration=$1 bundle=$2 work=$3
fail() { echo "FAIL: $*"; exit 1; }
for tool in pipewire pw-cat pw-link pw-cli sox; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
done
rm -rf "$work" && mkdir -p "$work/runtime" "$work/conf/pipewire.conf.d" "$work/config" "$work/lv2" || fail "no work folder"
chmod 700 "$work/runtime"
ln -s "$(realpath "$bundle")" "$work/lv2/QuellmarV3.lv2"
cp "$configuration" "$work/conf/pipewire.conf.d/" || fail "no configuration $configuration"
cat >"$work/conf/pipewire.conf" <<'CONF'
context.properties = {
    core.daemon = true
    core.name = pipewire-0
    support.dbus = false
    default.clock.rate = 48000
    default.clock.quantum = 1024
    default.clock.min-quantum = 1024
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-access }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
]
context.objects = [
    { factory = spa-node-factory
      args = { factory.name = support.node.driver node.name = Dummy-Driver priority.driver = 20000 } }
]
CONF
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" LV2_PATH="$work/lv2"
unset PIPEWIRE_CONFIG_DIR PIPEWIRE_REMOTE
cd "$work" || fail "no work folder"
sox -n -r 48000 -c 2 music.wav synth 6 sine 220 sine 330 gain -12 || fail "sox made no music"
sox -n -r 48000 -c 2 voice.wav synth 2 sine 300 sine 500 gain -6 pad 2 2 || fail "sox made no voice"

pids=""
cleanup() { for pid in $pids; do kill "$pid" 2>/dev/null; done; wait 2>/dev/null; }
trap cleanup EXIT
pipewire -c "$work/conf/pipewire.conf" >pipewire.log 2>&1 &
pids="$!"
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/pipewire-0" ] || { cat pipewire.log; fail "pipewire did not start"; }

node_id() { timeout 5 pw-cli ls Node | awk -v n="\"$1\"" '/^\tid [0-9]+,/{id=$2} $1=="node.name" && $3==n {print id}' | tr -d ,; }
# What a session manager does for a node: its ports as plain float channels at these positions.
dsp_ports() {
  node=$1 direction=$2; shift 2
  id=""
  for _ in $(seq 50); do id=$(node_id "$node"); [ -n "$id" ] && break; sleep 0.1; done
  [ -n "$id" ] || fail "no node $node"
  positions=$(echo "$@" | sed 's/ /, /g')
  timeout 5 pw-cli s "$id" PortConfig "{ direction: $direction, mode: dsp, format: { mediaType: audio,
    mediaSubtype: raw, format: F32P, rate: 48000, channels: $#, position: [ $positions ] } }" >/dev/null
}
link() {
  for _ in $(seq 50); do timeout 5 pw-link "$1" "$2" 2>/dev/null && return 0; sleep 0.1; done
  fail "cannot link $1 to $2"
}

dsp_ports quellmar_ducker Input FL FR RL RR
dsp_ports quellmar_ducker.output Output FL FR
dsp_ports quellmar_music Input FL FR
dsp_ports quellmar_music.output Output FL FR
dsp_ports quellmar_microphone Input FL FR
dsp_ports quellmar_microphone.output Output RL RR
pw-cat --record --rate 48000 --channels 2 --format f32 -P '{ node.name = recorder }' recorded.wav &
recorder=$!
pids="$recorder $pids"
dsp_ports recorder Input FL FR
for channel in FL FR; do
  link "quellmar_ducker.output:output_$channel" "recorder:input_$channel"
  link "quellmar_music.output:output_$channel" "quellmar_ducker:playback_$channel"
done
for channel in RL RR; do link "quellmar_microphone.output:output_$channel" "quellmar_ducker:playback_$channel"; done
pw-cat --playback -P '{ node.name = voice }' voice.wav &
voice=$!
pw-cat --playback -P '{ node.name = music }' music.wav &
music=$!
pids="$voice $music $pids"
dsp_ports voice Output FL FR
dsp_ports music Output FL FR
for channel in FL FR; do
  link "voice:output_$channel" "quellmar_microphone:input_$channel"
  link "music:output_$channel" "quellmar_music:playback_$channel"
done
wait "$music"; wait "$voice"
kill -INT "$recorder"; wait "$recorder"

# RMS of every 0.2 s of the recording where music plays; the loudest is the music alone, the
# quietest the music ducked; the last full window shows whether it came back. The first and the
# last window hold the music's start and end, which fall anywhere in them: a sliver of music there
# would read as more than the range, so neither counts.
levels=$(for start in $(seq 0 0.2 7); do
  sox recorded.wav -n trim "$start" 0.2 stat 2>&1 | awk '/RMS +amplitude/ {print $3}'
done | awk '$1 > 0.005')
[ -n "$levels" ] || fail "nothing came out of the filter chain"
echo "$levels" | awk '
  {level[NR] = $1}
  END {
    if (NR < 4) { print "FAIL: only " NR " windows of music came out"; exit 1 }
    max = level[2]; min = level[2]
    for (i = 3; i < NR; i++) { if (level[i] > max) max = level[i]; if (level[i] < min) min = level[i] }
    reduction = 20 * log(max / min) / log(10); back = 20 * log(max / level[NR - 1]) / log(10)
    printf "music alone RMS %.4f, ducked %.4f: %.1f dB down; at the end %.1f dB below the music alone\n",
      max, min, reduction, back
    if (reduction < 10 || reduction > 14) { print "FAIL: the music should go the range (12 dB) down"; exit 1 }
    if (back > 1) { print "FAIL: the music did not come back"; exit 1 }
  }' || exit 1
echo "pipewire-ducking: the filter chain ducked the music under the voice and let it back"
