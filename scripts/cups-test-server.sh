#!/usr/bin/env bash
# A private CUPS server with one PDF printer (cups-pdf) as its default, for
# the printing tests. It has its own configuration, spool, socket and output
# folder, so it never touches the machine's own CUPS and several test runs can
# use their own servers side by side.
#
#   cups-test-server.sh start DIR   start the server; DIR/env then holds
#                                   CUPS_SERVER=... for the programs that print
#   cups-test-server.sh stop DIR    stop it and remove its printer configuration
#
# Printed jobs land as PDF files in DIR/pdf. A server that does not come up
# ends this script with its log and a non-zero status. Needs root: the PDF
# back end runs as root, as CUPS installs it.
set -euo pipefail

action=${1:-}
dir=${2:-}
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi

printer=romaji_pdf
# cups-pdf reads /etc/cups/cups-pdf-NAME.conf for a device URI cups-pdf:/NAME.
# NAME carries the folder's own tag so that servers of parallel runs keep
# their outputs apart.
tag_file="$dir/tag"

stop_server() {
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/cupsd.pid"
  fi
  if [ -f "$tag_file" ]; then
    rm -f "/etc/cups/cups-pdf-$(cat "$tag_file").conf"
  fi
}

case "$action" in
stop)
  stop_server
  exit 0
  ;;
start) ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac

if [ "$(id -u)" -ne 0 ]; then
  echo "The printing tests start their own CUPS server and need root (the PDF back end runs as root)." >&2
  exit 1
fi
for tool in cupsd lpadmin lpstat; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -f "$ppd" ] || { echo "$ppd is missing: run scripts/install-deps.sh" >&2; exit 1; }

stop_server
rm -rf "$dir"
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
# The filters run as lp and must reach the spool below this folder.
chmod 755 "$dir"
mkdir -p "$dir/root" "$dir/spool" "$dir/tmp" "$dir/state" "$dir/cache" "$dir/log" "$dir/pdf" "$dir/pdfspool"
chmod 755 "$dir/root" "$dir/log"
chmod 1777 "$dir/pdf" "$dir/pdfspool" "$dir/tmp"
tag="romaji$$_$(date +%s)"
echo "$tag" >"$tag_file"
socket="$dir/cups.sock"

cat >"$dir/cups-files.conf" <<EOF
ServerRoot $dir/root
RequestRoot $dir/spool
TempDir $dir/tmp
StateDir $dir/state
CacheDir $dir/cache
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
SystemGroup root
FileDevice No
Sandboxing Relaxed
EOF

cat >"$dir/cupsd.conf" <<EOF
LogLevel info
Listen $socket
Browsing Off
WebInterface No
DefaultAuthType None
MaxJobs 0
PreserveJobFiles No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

cat >"/etc/cups/cups-pdf-$tag.conf" <<EOF
Out $dir/pdf
AnonDirName $dir/pdf
Spool $dir/pdfspool
Log $dir/log
Label 1
TitlePref 1
Grp lpadmin
EOF

cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"

fail() {
  echo "The CUPS server of the printing tests did not start: $1" >&2
  for f in "$dir/log/cupsd.out" "$dir/log/error_log"; do
    [ -f "$f" ] && { echo "--- $f" >&2; tail -n 60 "$f" >&2; }
  done
  stop_server
  exit 1
}

export CUPS_SERVER="$socket"
up=0
for _ in $(seq 1 100); do
  if ! kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null; then fail "cupsd ended"; fi
  if [ -S "$socket" ] && lpstat -r >/dev/null 2>&1; then up=1; break; fi
  sleep 0.1
done
[ "$up" -eq 1 ] || fail "no answer on $socket"

lpadmin -p "$printer" -E -v "cups-pdf:/$tag" -P "$ppd" >"$dir/log/lpadmin.out" 2>&1 || fail "lpadmin: $(cat "$dir/log/lpadmin.out")"
lpadmin -d "$printer" >>"$dir/log/lpadmin.out" 2>&1 || fail "lpadmin -d: $(cat "$dir/log/lpadmin.out")"
cupsenable "$printer" >/dev/null 2>&1 || true
cupsaccept "$printer" >/dev/null 2>&1 || true
[ "$(lpstat -d 2>/dev/null | sed 's/.*: //')" = "$printer" ] || fail "$printer is not the default printer"

echo "CUPS_SERVER=$socket" >"$dir/env"
echo "CUPS server up on $socket, default printer $printer, PDFs in $dir/pdf"
