#!/usr/bin/env bash
# Idle cost of the real game under a virtual X display: the share of a core the program takes
# while the main menu (or, with "game", the first level's screen) stands still, its memory there,
# and the time from start to the first presented frame.
# Usage: bench/idle_xvfb.sh GAME_EXECUTABLE [menu|game] [WIDTHxHEIGHT] [window|full] [SECONDS] [first|again]
# "again" measures a start after an earlier one in the same user folder (with the settings it kept).
set -euo pipefail
exe=$(realpath "$1")
scene=${2:-menu}
size=${3:-1920x1080}
mode=${4:-full}
seconds=${5:-20}
start_kind=${6:-first}
root=$(cd "$(dirname "$0")/.." && pwd)

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
home=$(mktemp -d)
cleanup() { kill "$game" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$home"; }
trap cleanup EXIT
sleep 1

folder="$home/Tovrin/Zerafine"
mkdir -p "$folder"
windowed=$([ "$mode" = window ] && echo 1 || echo 0)
keys=$([ "$scene" = game ] && echo 1 || echo 0)
cat >"$folder/Config.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<Config><Options snd_vol="0" mus_vol="0" gamma="0" windowed="$windowed" language="0" sensitivity="13" swap_buttons="0" no_logo="1" keys="$keys"/></Config>
XML
args=()
[ "$scene" = game ] && args=(1 1 0)

run() {
    DISPLAY=$display XDG_DATA_HOME=$home ZF_IGNORE_FOCUS=1 SDL_AUDIODRIVER=dummy ZERAFINE_DATA="$root/data" \
        "$exe" "${args[@]}" >/dev/null 2>&1 &
    game=$!
}
if [ "$start_kind" = again ]; then
    run
    sleep 3
    kill "$game"
    wait "$game" 2>/dev/null || true
    rm -f "$folder/log.html"
fi

run

# Settle in the scene (the log names it), then measure.
for _ in $(seq 1 400); do
    if grep -q "Main menu.\|Game scene:" "$folder/log.html" 2>/dev/null; then break; fi
    sleep 0.01
done
sleep 2
ticks() { awk '{print $14 + $15}' "/proc/$game/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks); w0=$(date +%s%N)
sleep "$seconds"
t1=$(ticks); w1=$(date +%s%N)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$game/status")
cpu=$(awk -v t="$((t1 - t0))" -v hz="$hz" -v ns="$((w1 - w0))" 'BEGIN {printf "%.1f", 100 * t / hz / (ns / 1e9)}')
echo "scene=$scene size=$size mode=$mode start=$start_kind cpu=${cpu}% rss=$((rss / 1024))MB"
