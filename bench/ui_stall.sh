#!/usr/bin/env bash
# The longest stall of the real host's user-interface thread, as the desktop sees it (the
# window manager's ping answered from the event loop, bin/ui_ping, every 10 ms) and as the
# host's own loop probe does (a timer due every 4 ms, SORVIK_LOOP_PROBE), while the host
# takes the site's first list of N performers and then the refresh in which a tenth of them
# change state at once (their popups, Recent rows and tree changes). A refresh's parse pauses
# 10 ms a performer, so at 10,000 it comes about 100 s later. Then, by the probe alone: a
# filter typed into the search field and cleared (Escape), and a flood of 300 newcomers in one
# refresh. The host's loop at the first list is read from the list's late answer on (1.5 s after
# the start), past the window's first drawing. Needs a desktop (scripts/desktop-session).
#   bench/ui_stall.sh BIN_DIR [N...]      (default N: 300 3000 10000; RUNS=3 runs of each)
set -uo pipefail
. "$(dirname "$0")/host_bench_lib.sh"
now_ms() { date +%s%3N; }
# The longest and the median answer (ms) of the pings between two moments.
span() {
  awk -v a="$1" -v b="$2" '$1 >= a && $1 < b { print ($2 == "lost" ? 3000000 : $2) }' "$work/pings" | sort -n |
    awk '{ v[NR] = $1 } END { if (!NR) print "- -"; else printf "%.1f %.1f\n", v[NR] / 1000, v[int((NR + 1) / 2)] / 1000 }'
}
# The longest hold (ms) of the host's own event loop between two moments, as its probe saw it:
# the ping's answer also waits on the X server and the window manager.
held() {
  awk -v a="$1" -v b="$2" '$1 >= a && $1 < b && $2 > m { m = $2 } END { printf "%.1f\n", m / 1000 }' "$work/loop"
}

echo "longest stall (ms): the window manager's ping answered / the host's own loop held"
printf '%-8s %18s %22s %14s %8s %8s\n' performers "first list" "refresh, N/10 change" "median ping" filter "flood"
for n in "${sizes[@]}"; do
 for _ in $(seq "${RUNS:-3}"); do
  bench_site "$n"
  # The first list is answered 1.5 s late, so that its hold is not the window's first drawing.
  curl -s "http://$site/_sim/fault?route=list&fault=slow&times=1" > /dev/null
  started=$(now_ms)
  : > "$work/loop"
  SORVIK_LOOP_PROBE="$work/loop" LANG=C.UTF-8 LANGUAGE= "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
  host=$!
  "$bin/ui_ping" "$host" "Sorvik Statuscope" $((8 + n * 11 / 1000)) > "$work/pings" &
  pinger=$!
  # After the first list (read at once), before the next refresh asks (3 s).
  sleep 2
  # A tenth of the performers change state in one refresh.
  changed=$(now_ms)
  change_tenth "$n"
  wait "$pinger"
  listed "$n" || fail "the host did not list the $n performers"
  grep -q 'row "' "$work/report" || fail "the change of $((n / 10)) performers did not come within the time"
  read -r first _ < <(span "$started" "$changed")
  read -r refresh _ < <(span "$changed" 99999999999999)
  read -r _ median < <(span 0 99999999999999)
  # The filter, typed as a user types and cleared.
  typed=$(now_ms)
  window=$(xdotool search --onlyvisible --name "^Sorvik Statuscope$" | head -1)
  xdotool windowactivate --sync "$window" key ctrl+f type --delay 80 "ra7"
  sleep 1
  xdotool key Escape
  sleep 1
  flooded=$(now_ms)
  newcomers flood_ 300
  sleep 6
  printf '%-8s %18s %22s %14s %8s %8s\n' "$n" "$first / $(held $((started + 1500)) "$changed")" \
    "$refresh / $(held "$changed" "$typed")" "$median" "$(held "$typed" "$flooded")" \
    "$(held "$flooded" 99999999999999)"
  end_run
 done
done
