#!/usr/bin/env bash
# Whether the real host stays flat over hours: MINUTES (default 120) against the simulated site's
# N (default 3,000) churning performers, popups on, a refresh every 2 s. Each minute: the
# resident size, descriptors, threads and the history file; the heap as heaptrack recorded it
# (HEAPTRACK=0 runs without it, which the resident size then reads without its small buffers).
# At the end the host must exit cleanly; the second half's growth is printed. Needs a desktop
# (scripts/desktop-session).
#   bench/soak.sh BIN_DIR [MINUTES [N]]
set -uo pipefail
minutes="${2:-120}"
n="${3:-3000}"
. "$(dirname "$0")/host_bench_lib.sh" "$1"

start_site --performers "$n"
{ hosts_section; printf '[System]\nsyncinterval=2\n[SplashScreen]\nduration=1\n[PopupDialog]\nduration=3\n'; } > "$work/Ruvidodur.conf"
rm -rf "$XDG_DATA_HOME"
heap=()
if [ "${HEAPTRACK:-1}" != 0 ] && command -v heaptrack > /dev/null; then
  heap=(heaptrack -o "$work/heap")
fi
LANG=C.UTF-8 LANGUAGE= "${heap[@]}" "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
launcher=$!
# Under heaptrack the host is the launcher's child; its window says it has set up.
wait_for 300 xdotool search --onlyvisible --name "^Sorvik Statuscope$" > /dev/null || fail "no main window"
host=$launcher
[ ${#heap[@]} -gt 0 ] && { host=$(pgrep -n -x sorvik -P "$launcher") || fail "the host did not start"; }
wait_for 600 listed 1 || fail "the host did not list the performers"

status() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$host/status"; }
history_kb() { du -skc "$XDG_DATA_HOME"/*/history.db* 2>/dev/null | tail -1 | cut -f1; }
printf '%-7s %9s %6s %8s %11s\n' minute "RSS (KB)" fds threads "history KB"
: > "$work/samples"
for m in $(seq 0 "$minutes"); do
  [ "$m" -gt 0 ] && sleep 60
  kill -0 "$host" 2>/dev/null || fail "the host ended after $m minutes"
  line=$(printf '%-7s %9s %6s %8s %11s' "$m" "$(status VmRSS)" "$(ls "/proc/$host/fd" | wc -l)" "$(status Threads)" "$(history_kb)")
  echo "$line" | tee -a "$work/samples"
done

kill -TERM "$host"
wait_for 100 host_ended || fail "the host did not end within 10 s of being asked"
wait "$launcher"
rc=$?
host=""
[ "$rc" -eq 0 ] || fail "the host exited with $rc"
echo "clean exit"

half=$((minutes / 2))
awk -v h="$half" -v e="$minutes" '$1 == h { a = $2; fa = $3; ta = $4; ha = $5 } $1 == e { b = $2; fb = $3; tb = $4; hb = $5 }
  END { printf "second half (minutes %d to %d): RSS %+d KB, descriptors %+d, threads %+d, history %+d KB\n", h, e, b - a, fb - fa, tb - ta, hb - ha }' "$work/samples"

if [ ${#heap[@]} -gt 0 ]; then
  trace=$(ls "$work"/heap*.zst "$work"/heap*.gz 2>/dev/null | head -1)
  heaptrack_print -f "$trace" -M "$work/massif" > "$work/heap.txt" 2>&1
  grep -E "^peak heap memory consumption|^total memory leaked" "$work/heap.txt"
  # The heap at the end of each minute, from the massif snapshots (time in seconds since the start).
  awk -F= '/^time=/ { t = $2 } /^mem_heap_B=/ { m = int(t / 60); heap[m] = $2; if (m > last) last = m }
    END { printf "heap (KB) by minute:"; for (i = 0; i <= last; i++) if (i in heap) printf " %d:%d", i, heap[i] / 1024; print "" }' "$work/massif"
  [ -n "${KEEP_TRACE:-}" ] && cp "$trace" "$work/massif" "$KEEP_TRACE/" && echo "trace kept in $KEEP_TRACE"
fi
