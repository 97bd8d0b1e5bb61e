#!/usr/bin/env bash
# What each performer costs the real host in memory: the host's private anonymous memory with N
# performers against one, settled after the first list and again after a refresh in which a
# tenth change state, split into the main heap (the window's side) and the rest (the threads'
# heaps, the toolkit's maps). Needs a desktop (scripts/desktop-session).
#   bench/memory.sh BIN_DIR [N...]      (default N: 300 3000 10000)
set -uo pipefail
. "$(dirname "$0")/host_bench_lib.sh"

# Kilobytes of anonymous memory (the program's own, not the libraries' pages it happened to
# touch): all, and the main heap's.
private_kb() {
  awk '/^[0-9a-f]+-/ { heap = ($NF == "[heap]") } /^Anonymous:/ { all += $2; if (heap) main += $2 }
       END { print all, main }' "/proc/$host/smaps"
}
rows() { report && grep -q 'row "' "$work/report"; }

# Leaves "all main" after the first list and "all main" after the changed refresh in m.
measure() {
  local n="$1"
  bench_site "$n"
  start_host_window
  wait_for 600 listed "$n" || fail "the host did not list the $n performers"
  # Two refreshes that find no change.
  sleep 8
  read -r -a m < <(private_kb)
  change_tenth "$n"
  # The parse pauses 10 ms a performer: a 10,000 list takes 100 s.
  sleep $((4 + n / 100))
  wait_for 300 rows || fail "the change of a tenth of $n performers did not come"
  sleep 8
  read -r -a after < <(private_kb)
  m+=("${after[@]}")
  end_run
}

# The desktop session's first program maps about 10 MB more (the toolkit's and the renderer's
# caches being made): a first run warms it.
measure 1
measure 1
base=("${m[@]}")
echo "one performer: ${base[0]} KB (heap ${base[1]} KB), after its refresh ${base[2]} KB (heap ${base[3]} KB)"
printf '%-10s %28s %28s\n' performers "listed: B/performer (heap)" "after refresh: B/performer"
for n in "${sizes[@]}"; do
  measure "$n"
  per() { echo $((($1 - $2) * 1024 / ($n - 1))); }
  printf '%-10s %20s (%5s) %20s (%5s)   %s KB\n' "$n" "$(per "${m[0]}" "${base[0]}")" "$(per "${m[1]}" "${base[1]}")" \
    "$(per "${m[2]}" "${base[2]}")" "$(per "${m[3]}" "${base[3]}")" "${m[*]}"
done
