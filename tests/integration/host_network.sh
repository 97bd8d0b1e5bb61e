#!/usr/bin/env bash
# The real host on a real network: a proxy the desktop names for everything but loopback (a
# closed port, so any request sent there fails), and a 5-second outage of the site, which
# must neither end the program nor open the error box.
#   host_network.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display

start_site --performers 20 --no-churn
{ hosts_section; printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=0\n'; } > "$work/Ruvidodur.conf"
all_count() { report && sed -n 's/.*tree-item "Online (\([0-9]*\))".*/\1/p' "$work/report" | head -1; }
listed() { [ "$(all_count)" = "20" ]; }

http_proxy=http://127.0.0.1:9 no_proxy=localhost,127.0.0.1 start_host_window
wait_for 50 listed || fail "with no_proxy naming the site, the list did not come: $(all_count)"
echo "ok: http_proxy on a closed port and no_proxy=127.0.0.1: the list came straight from the site"

# The site goes away for 5 s: refused connections, as from a laptop that lost its network.
curl -s -d '' "http://$site/_sim/fault?route=list&fault=refuse" > /dev/null
wait_for 40 xdotool search --name "^Sorvik Statuscope - Offline since [0-9][0-9]:[0-9][0-9]\$" > /dev/null ||
  fail "the title does not say the site is offline"
sleep 4
curl -s -d '' "http://$site/_sim/faults/clear" > /dev/null
wait_for 100 xdotool search --name "^Sorvik Statuscope\$" > /dev/null || fail "the title still says offline"
# Those on line before the outage are no newcomers after it.
xdotool search --name "^Popup\$" > /dev/null 2>&1 && fail "popups for performers who were there all along"
host_ended && fail "the host ended during a 5-second outage"
xdotool search --onlyvisible --name "^Error$" > /dev/null 2>&1 && fail "an error box for a 5-second outage"
listed || fail "the list did not come back after the outage: $(all_count)"
refused=$(curl -s "http://$site/_sim/log" | grep -c "online_performers")
echo "ok: a 5-second outage: \"Offline since\" meanwhile, still running, no box, no popups, the list back ($refused list requests in all)"
stop_host
