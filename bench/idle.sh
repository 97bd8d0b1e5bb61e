#!/usr/bin/env bash
# What the real host costs while nothing changes: each thread's time on a core and wake-ups a
# second (the scheduler's own counts), over T seconds after the first list has settled, with
# N performers on a still site refreshed at the default interval. Needs a desktop
# (scripts/desktop-session).
#   T=60 bench/idle.sh BIN_DIR [N...]      (default N: 300 3000 10000)
set -uo pipefail
. "$(dirname "$0")/host_bench_lib.sh"
T="${T:-60}"

# "thread name nanoseconds-on-a-core times-run" for each thread of the host.
threads() {
  for t in /proc/"$host"/task/*; do
    echo "${t##*/} $(tr ' ' _ < "$t/comm") $(cut -d' ' -f1,3 "$t/schedstat")"
  done | sort
}

for n in "${sizes[@]}"; do
  bench_site "$n"
  # The default interval: the settings without the benchmarks' 3 s.
  sed -i '/^syncinterval=/d' "$work/Ruvidodur.conf"
  start_host_window
  wait_for 600 listed "$n" || fail "the host did not list the $n performers"
  sleep 15
  threads > "$work/before"
  sleep "$T"
  threads > "$work/after"
  echo "== $n performers, $T s"
  join "$work/before" "$work/after" | awk -v T="$T" '
    { cpu = ($6 - $3) / 1e6; wakes = ($7 - $4) / T; all += cpu; allWakes += wakes
      if (cpu > 0.005 || wakes > 0.005) printf "  %-18s %8.2f ms  %6.2f wake-ups/s\n", $2, cpu, wakes }
    END { printf "  all threads        %8.2f ms  %6.2f wake-ups/s  %.4f %% of a core\n", all, allWakes, all / (T * 10) }'
  end_run
done
