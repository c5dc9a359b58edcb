#!/usr/bin/env bash
# The package proven on a clean Debian 12, as a new school would meet it:
#
#   scripts/package-test.sh [BUILD_DIR]      run the test (log: BUILD_DIR/package-test.log)
#   scripts/package-test.sh --can-run        exit 0 when this machine can run it,
#                                            else say why and exit 1
#
# Builds the package (scripts/package.sh), builds a minimal Debian 12 root
# with mmdebstrap (essential packages and apt only, plus a virtual display
# and the accessibility bus to read the screen with), installs the package
# there with apt, so that its Depends line alone must bring everything the
# programs need, and inside the root: romaji-admin init --path-file,
# roster import of tests/data/package_roster.csv, check (exit 0, the data
# folder found through the path file as the program finds it), and the
# program started under xvfb-run until its name screen shows the imported
# names. The screen is read through the accessibility interface (AT-SPI),
# the way a screen reader reads it: the names must be the text of real
# widgets, and the check compares text, not pixels.
#
# It needs root (mmdebstrap builds the root as root here; CI runs as root),
# mmdebstrap, and a Debian mirror that answers (the machine's own apt
# sources are used). The download is about 250 MB.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"

why_not() {
  if [ "$(id -u)" -ne 0 ]; then echo "not running as root (mmdebstrap builds the root as root)"; return; fi
  if ! command -v mmdebstrap >/dev/null; then echo "mmdebstrap is not installed (scripts/install-deps.sh installs it)"; return; fi
  if ! timeout 60 apt-get -qq update >/dev/null 2>&1; then echo "the Debian mirror does not answer (apt-get update failed)"; return; fi
}

if [ "${1:-}" = --can-run ]; then
  reason="$(why_not)"
  if [ -n "$reason" ]; then echo "$reason"; exit 1; fi
  exit 0
fi

build="$(realpath -m "${1:-$src/build}")"
log="$build/package-test.log"
mkdir -p "$build"
exec > >(tee "$log") 2>&1
reason="$(why_not)"
if [ -n "$reason" ]; then echo "package-test: cannot run: $reason"; exit 1; fi

work="$(mktemp -d /tmp/romaji-package-test.XXXXXX)"
cleanup() { rm -rf --one-file-system "$work"; }
trap cleanup EXIT
started=$SECONDS
step() { printf '\n== %s (%ds)\n' "$*" $((SECONDS - started)); }

step "Building the package"
"$src/scripts/package.sh" "$build" "$work/out"
deb="$(ls "$work"/out/romaji_*.deb)"
cp "$src/tests/data/package_roster.csv" "$work/roster.csv"

# Inside the root, after the package is installed.
cat >"$work/inside.sh" <<'INSIDE'
#!/bin/sh
set -eu
step() { printf '\n== %s\n' "$*"; }
step "Installed: $(dpkg-query -W -f='${Package} ${Version} ${Status}' romaji)"
echo "conffiles as dpkg registered them:"
dpkg-query -W -f='${Conffiles}\n' romaji
ls -l /usr/bin/romaji /usr/bin/romaji-admin /usr/lib/romaji/パスデータ.txt /usr/lib/romaji/起動/ルナリアc.exe

step "romaji-admin init /srv/CAIdata --code 01234 --name 中央教室 --path-file"
romaji-admin init /srv/CAIdata --code 01234 --name 中央教室 --path-file

step "romaji-admin roster import /tmp/roster.csv /srv/CAIdata"
romaji-admin roster import /tmp/roster.csv /srv/CAIdata

step "romaji-admin check (the data folder found through the path file)"
romaji-admin check
echo "check: exit 0"

step "The package installed again: the path file, a conffile the school has changed, is kept"
dpkg -i /tmp/romaji_*.deb >/dev/null
iconv -f CP932 -t UTF-8 /etc/romaji/パスデータ.txt | head -1
grep -q '"/srv/CAIdata/"' /etc/romaji/パスデータ.txt

step "The program under xvfb-run, its name screen read through AT-SPI"
cat >/tmp/read-screen.py <<'PY'
import sys, time
import gi
gi.require_version('Atspi', '2.0')
from gi.repository import Atspi
expected = sys.argv[1:]

# What shows on the screen: hidden widgets (the wait panel, the name
# screen's hidden work lists) and what lies inside them are passed over.
def walk(node, depth, out):
    if node is None or depth > 12:
        return
    try:
        if depth > 0 and not node.get_state_set().contains(Atspi.StateType.SHOWING):
            return
        out.append((node.get_role_name(), node.get_name() or ''))
        for i in range(node.get_child_count()):
            walk(node.get_child_at_index(i), depth + 1, out)
    except Exception:
        pass

deadline = time.time() + 90
seen = []
while time.time() < deadline:
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or app.get_name() != 'romaji':
            continue
        seen = []
        walk(app, 0, seen)
        texts = [name for _, name in seen]
        if all(any(e in t for t in texts) for e in expected):
            for role, name in seen:
                if name.strip():
                    print('  %-12s %s' % (role, name))
            print('every imported name is on the name screen')
            sys.exit(0)
    time.sleep(1)
print('the name screen did not show all of: ' + ', '.join(expected))
for role, name in seen:
    print('  %-12s %s' % (role, name))
sys.exit(1)
PY
cat >/tmp/show.sh <<'SHOW'
#!/bin/sh
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ROMAJI_SILENT_SOUND=1
romaji >/tmp/romaji.log 2>&1 &
program=$!
python3 /tmp/read-screen.py "名前を選びなさい" "青木　ひなた" "石川　そうた" "上田　ゆい" "先生"
result=$?
echo "window: $(xwininfo -root -tree 2>/dev/null | grep -o '"vorlex".*' || echo none)"
kill $program 2>/dev/null || true
wait $program 2>/dev/null || true
exit $result
SHOW
chmod +x /tmp/show.sh
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" /tmp/show.sh
INSIDE
chmod +x "$work/inside.sh"

step "Building a minimal Debian 12 root with mmdebstrap and installing the package with apt"
sources=()
[ -f /etc/apt/sources.list.d/debian.sources ] && sources=(/etc/apt/sources.list.d/debian.sources)
mmdebstrap --variant=apt --mode=root \
  --include=xvfb,xauth,x11-utils,dbus,at-spi2-core,python3-gi,gir1.2-atspi-2.0 \
  --customize-hook="copy-in $deb $work/roster.csv $work/inside.sh /tmp" \
  --customize-hook='echo "== root built: $(cat "$1/etc/debian_version"), $(chroot "$1" dpkg-query -W | wc -l) packages"' \
  --customize-hook="chroot \"\$1\" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends /tmp/$(basename "$deb")" \
  --customize-hook='chroot "$1" /tmp/inside.sh' \
  bookworm "$work/root" "${sources[@]}"

step "Passed: package installed with apt on a clean Debian 12, school set up, names on the screen"
