#!/usr/bin/env bash
# Tries the Debian package as a user would: builds and installs it, runs solvina-cli and the
# window (offscreen) as a new user with an empty home folder, then purges the package and checks
# that nothing of it is left outside that home folder. Needs root or sudo without a password;
# refuses to run where solvina is already installed, so as not to remove someone's copy.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$(pwd)"
corpus="$(dirname "$repo")/shared/corpus"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo -n"
if dpkg-query -W -f='${Status}' solvina 2>/dev/null | grep -q 'install ok installed'; then
    echo "package-test: solvina is already installed here; not touching it" >&2
    exit 1
fi

fail() {
    echo "package-test: $*" >&2
    exit 1
}

bash tools/package.sh
deb="$(ls "$repo"/build-package/solvina_*.deb)"

work="$(mktemp -d /tmp/solvina-package-test.XXXXXX)"
chmod 755 "$work"
user="solvina-test-$$"
cleanup() {
    set +e
    $sudo apt-get purge -y -qq solvina >/dev/null 2>&1
    $sudo userdel "$user" 2>/dev/null
    $sudo rm -rf "$work"
}
trap cleanup EXIT

echo "== checking the package's files"
# The checkers, where they are installed, where they are installed (desktop-file-utils, appstream, lintian).
dpkg-deb -x "$deb" "$work/content"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work"/content/usr/share/applications/*.desktop
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$work"/content/usr/share/metainfo/*.xml >/dev/null
fi
if command -v lintian >/dev/null; then
    report="$(lintian --fail-on error,warning "$deb" 2>&1)" ||
        fail "lintian found errors or warnings: $report"
fi

# Files of the system, without the ones that change on their own, belong to the package
# manager's bookkeeping, or are the backups useradd and userdel leave of the user lists.
system_files() {
    $sudo find /usr /etc /opt -xdev \( -path /etc/ld.so.cache -o -path '/usr/lib/python3*' \
        -o -path /etc/passwd- -o -path /etc/group- -o -path /etc/shadow- -o -path /etc/gshadow- \
        -o -path /etc/subuid- -o -path /etc/subgid- \) -prune -o -print 2>/dev/null | LC_ALL=C sort
}
# What the package depends on and recommends stays installed after a purge: installed and
# purged once first, so that the two lists differ only by what the package itself leaves.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null
$sudo apt-get purge -y -qq solvina >/dev/null
system_files >"$work/before"

echo "== installing $(basename "$deb")"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null
$sudo useradd --no-create-home --home-dir "$work/home" --shell /bin/sh "$user"
$sudo mkdir "$work/home"
$sudo chown "$user" "$work/home"

# A command as the new user, with nothing of the caller's environment.
as_user() {
    $sudo runuser -u "$user" -- env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        QT_QPA_PLATFORM=offscreen "$@"
}
library="$work/home/.local/share/solvina/styledata"

echo "== solvina-cli list: the sample style is copied into the empty home folder"
[ "$(as_user solvina-cli list)" = "サンプル" ] || fail "list does not give the sample style"
[ -f "$library/サンプル/サンプル.sty" ] || fail "no sample style in $library"
as_user solvina-cli list --verbose | grep -qxF "スタイルライブラリ: $library/" ||
    fail "list --verbose does not name $library/"
as_user solvina-cli preview --style サンプル
[ -f "$work/home/.cache/solvina/pre.html" ] || fail "no pre.html in the cache folder"

site="$corpus/teraterm-ja/site"
if [ -d "$site" ]; then
    echo "== apply and erase on a copy of teraterm-ja"
    $sudo cp -r "$site" "$work/home/site"
    $sudo chown -R "$user" "$work/home/site"
    $sudo chmod -R u+w "$work/home/site" # the corpus is kept read-only
    as_user solvina-cli apply --style サンプル "$work/home/site/index.html" >"$work/apply.out" ||
        fail "apply failed"
    tail -n 1 "$work/apply.out" | grep -qxF "適応が終了しました。" || fail "apply did not finish"
    # The block's closing tags, ASCII in every encoding (the marker texts are Shift_JIS here).
    grep -rlqF "</TR></TABLE></TD></TR></TABLE></DIV>" "$work/home/site" ||
        fail "apply wrote no block"
    as_user solvina-cli erase --style サンプル "$work/home/site/index.html" >/dev/null ||
        fail "erase failed"
    diff -r --exclude=quibrel "$site" "$work/home/site" >/dev/null ||
        fail "erase did not give back the pages as they were"
else
    echo "== no corpus at $corpus: apply and erase skipped"
fi

echo "== solvina, offscreen, in a second empty home folder"
$sudo rm -rf "$work/home/.local" "$work/home/.cache"
# The window runs until timeout ends it (124); an earlier end is a failure.
status=0
as_user timeout 5 solvina >"$work/window.out" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$work/window.out" >&2; fail "solvina ended with $status"; }
[ -f "$library/サンプル/サンプル.sty" ] || fail "the window did not make the sample style"

echo "== purging the package"
$sudo apt-get purge -y -qq solvina >/dev/null
system_files >"$work/after"
if ! diff "$work/before" "$work/after"; then
    fail "files left behind or removed outside the home folder (above)"
fi
echo "package-test: passed"
