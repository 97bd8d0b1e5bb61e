#!/usr/bin/env bash
# What the real host costs while nothing changes: each thread's time on a core and wake-ups a
# second (the scheduler's own counts), over T seconds after the first list has settled, with
# N performers on a still site refreshed at the default interval. Needs a desktop
# (scripts/desktop-session).
# CHURN=1: the same while the simulated site's performers come, go and change state (about 2 %
# of them a second), which is what following a live site costs: the history writer's share is
# its own line (sorvik-history); the host's own loop probe gives the UI thread's longest hold
# and the history file's growth is given per performer-day at that churn. The probe (a timer
# every 4 ms) runs only then: without CHURN the figures are the host's own, probe-free.
#   T=60 [CHURN=1] bench/idle.sh BIN_DIR [N...]      (default N: 300 3000 10000)
set -uo pipefail
. "$(dirname "$0")/host_bench_lib.sh"
T="${T:-60}"

# "thread name nanoseconds-on-a-core times-run" for each thread of the host.
threads() {
  for t in /proc/"$host"/task/*; do
    echo "${t##*/} $(tr ' ' _ < "$t/comm") $(cut -d' ' -f1,3 "$t/schedstat")"
  done | sort
}

# The history's file with its write-ahead log, in bytes.
history_bytes() { du -cb "$XDG_DATA_HOME/sorvik-statuscope/history.db"* 2>/dev/null | tail -1 | cut -f1; }

for n in "${sizes[@]}"; do
  bench_site "$n"
  # The default interval: the settings without the benchmarks' 3 s.
  sed -i '/^syncinterval=/d' "$work/Ruvidodur.conf"
  if [ "${CHURN:-0}" = 1 ]; then
    SORVIK_LOOP_PROBE="$work/loop" start_host_window
  else
    start_host_window
  fi
  wait_for 600 listed "$n" || fail "the host did not list the $n performers"
  [ "${CHURN:-0}" = 1 ] && curl -s "http://$site/_sim/churn?on=1" > /dev/null
  sleep 15
  threads > "$work/before"
  bytes=$(history_bytes)
  # The probe appends: from here on only the measured span.
  [ "${CHURN:-0}" = 1 ] && : > "$work/loop"
  sleep "$T"
  threads > "$work/after"
  echo "== $n performers, $T s$([ "${CHURN:-0}" = 1 ] && echo ", churning, with the loop probe (a 4 ms timer) counted in" || echo ", no probe")"
  if [ "${CHURN:-0}" = 1 ]; then
    grown=$(($(history_bytes) - bytes))
    read -r most over < <(awk '$2 > m { m = $2 } $2 > 16000 { c++ } END { print m + 0, c + 0 }' "$work/loop")
    awk -v m="$most" -v c="$over" -v g="$grown" -v n="$n" -v T="$T" \
      'BEGIN { printf "  UI loop held at most %.1f ms (%d holds over 16 ms); history file grew %d bytes: %.0f bytes a performer-day\n", m / 1000, c, g, g / (n * T / 86400) }'
  fi
  join "$work/before" "$work/after" | awk -v T="$T" '
    { cpu = ($6 - $3) / 1e6; wakes = ($7 - $4) / T; all += cpu; allWakes += wakes
      if (cpu > 0.005 || wakes > 0.005) printf "  %-18s %8.2f ms  %6.2f wake-ups/s\n", $2, cpu, wakes }
    END { printf "  all threads        %8.2f ms  %6.2f wake-ups/s  %.4f %% of a core\n", all, allWakes, all / (T * 10) }'
  end_run
done
