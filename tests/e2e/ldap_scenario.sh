#!/usr/bin/env bash
# A scenario of run_scenario.sh with the real program on the directory client:
# a slapd of its own in a temporary folder (the test directory of
# tests/data/ldap, on a socket there), a volume beside it holding a file of a
# directory user, stopped and removed at the end. Run this under xvfb-run.
#
#   ldap_scenario.sh <scenario> <vorlane executable> <tests/data/ldap>
#
# With the scenario startup-failure the program is pointed at a port where
# no directory answers.
set -uo pipefail

scenario=$1 program=$2 data=$3

dir=$(mktemp -d /tmp/vorlane-e2e-XXXXXX)
# slapd runs in the foreground as a child of this script: stopped, waited for
# and its folder removed however the script ends.
trap 'kill ${slapd:-} 2>/dev/null; wait; rm -rf "$dir"' EXIT

(cd "$dir" && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=127.0.0.1 \
    -keyout server.key -out server.pem && cp server.pem ca.pem) >/dev/null 2>&1 || { echo "no certificate" >&2; exit 1; }
sed -e "s|@DIR@|$dir|g" -e "s|@EXTRA@||" "$data/slapd.conf.in" >"$dir/slapd.conf"
mkdir -p "$dir/acme" "$dir/example" "$dir/DATA"
slapadd -q -f "$dir/slapd.conf" -b o=ACME -l "$data/acme.ldif" || exit 1
uri="ldapi://${dir//\//%2F}%2Fldapi"
slapd -d 0 -f "$dir/slapd.conf" -h "$uri" 2>/dev/null & slapd=$!
for _ in $(seq 1 100); do [[ -S $dir/ldapi ]] && break; sleep 0.1; done

head -c 100000 /dev/zero >"$dir/DATA/file" && chown 60002 "$dir/DATA/file" 2>/dev/null
export VORLANE_LDAP_URI=$uri VORLANE_VOLUMES="DATA=$dir/DATA" VORLANE_LDAP_CONTEXT=SALES.ACME
[[ $scenario == startup-failure ]] && export VORLANE_LDAP_URI=ldap://127.0.0.1:1
bash "$(dirname "$0")/run_scenario.sh" "$scenario" "$program" ""
