# Shared by the end-to-end benchmarks; sourced with the arguments BIN_DIR [N...]: sets 'bin'
# and 'sizes' (default 300 3000 10000) and brings the host tests' helpers.
bin="$1"
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(300 3000 10000)
. "$(dirname "${BASH_SOURCE[0]}")/../tests/integration/host_test_lib.sh"
require_display

# Whether the all-performers tree's count (its first group) has reached $1 (a count still
# "Loading" reads as none).
listed() { report && [ "$(grep -o -m1 'tree-item "Online ([0-9]*)"' "$work/report" | tr -dc 0-9)0" -ge "${1}0" ]; }

# A site of $1 performers that change only when told, and the host's settings for it: a
# refresh every 3 s, a short splash, no history yet.
bench_site() {
  start_site --performers "$1" --no-churn
  { hosts_section; printf '[System]\nsyncinterval=3\n[SplashScreen]\nduration=1\n'; } > "$work/Ruvidodur.conf"
  rm -rf "$XDG_DATA_HOME"
}

# A tenth of the site's $1 performers (at least one) change state in one go.
change_tenth() {
  curl -s "http://$site/_sim/performers" |
    awk -v k=$((($1 + 9) / 10)) 'NR <= k { $2 = ($2 == "free" ? "private" : "free") } { print }' > "$work/changed"
  curl -s -X POST -H "Content-Type: text/plain" --data-binary @"$work/changed" "http://$site/_sim/performers" > /dev/null
}

end_run() {
  stop_host
  kill "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
  sim=""
}
