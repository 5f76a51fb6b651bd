#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh built, as root, on this machine: lintian,
# then installation with apt (its declared dependencies), then what an ordinary user sees with
# no ODBC variable set (both driver names registered system-wide, a genuine Access file read
# through each by isql and pyodbc without a data source, kervane --version, the manual pages,
# the menu entry, the program starting), then purging (no name left, /etc/odbcinst.ini as it
# was, the user's files kept). Last, the same names registered beforehand by another package:
# their usage counts must survive a reinstallation, a reconfiguration and our purge.
#
#   scripts/check-package.sh [PACKAGE.deb]   (default: the one package.sh names)
#
# The genuine Access files come from KERVANE_TEST_DATA, else ../shared/testdata beside the
# repository; they are only read (copied for the user first).
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "check-package.sh : ÉCHEC : $*" >&2
    exit 1
}
step() {
    echo "== $*"
}

[ "$(id -u)" -eq 0 ] || fail "à lancer en root (installation du paquet, utilisateur de test)"
deb=${1:-kervane_$(sed -n 's/^project(Kervane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)_$(dpkg --print-architecture).deb}
[ -f "$deb" ] || fail "$deb absent : lancez d'abord scripts/package.sh"
deb=$(realpath "$deb")
version=$(dpkg-deb -f "$deb" Version)
data=${KERVANE_TEST_DATA:-$(pwd)/../shared/testdata}
[ -f "$data/jet/testV2000.mdb" ] && [ -f "$data/jet/testV1997.mdb" ] || fail "pas de fichiers Access dans $data/jet"
status=$(dpkg-query -W -f='${db:Status-Status}' kervane 2> /dev/null || true)
[ -z "$status" ] || [ "$status" = not-installed ] || fail "kervane est déjà présent ($status) : purgez-le d'abord"

names=("Microsoft Access Driver (*.mdb)" "Microsoft Access Driver (*.mdb, *.accdb)")
export DEBIAN_FRONTEND=noninteractive
# odbcinst run here must read the system's registration, as the package's scripts do.
unset ODBCSYSINI ODBCINI

# The usage count unixODBC keeps for a driver name, 0 when the name is not registered.
usage_count() {
    local count
    count=$(odbcinst -q -d -n "$1" 2> /dev/null | sed -n 's/^UsageCount=//p')
    echo "${count:-0}"
}
# expect_counts MDB [ACCDB]: the usage counts of the two names (one number: both).
expect_counts() {
    local expected=("$1" "${2:-$1}") i
    for i in 0 1; do
        [ "$(usage_count "${names[$i]}")" -eq "${expected[$i]}" ] \
            || fail "« ${names[$i]} » : UsageCount $(usage_count "${names[$i]}"), attendu ${expected[$i]}"
    done
}

user=kvcheck$$
saved=$(mktemp -d)
include=/etc/dpkg/dpkg.cfg.d/zz-kervane-check
cleanup() {
    rm -f "$include"
    if id "$user" > /dev/null 2>&1; then userdel -r "$user" 2> /dev/null || true; fi
    rm -rf "$saved"
}
trap cleanup EXIT
if [ -f /etc/odbcinst.ini ]; then cp -p /etc/odbcinst.ini "$saved/odbcinst.ini"; fi
[ "$(usage_count "${names[0]}")" -eq 0 ] && [ "$(usage_count "${names[1]}")" -eq 0 ] \
    || fail "un des noms du pilote est déjà inscrit : $(odbcinst -q -d)"

step "lintian"
lintian --fail-on error "$deb"

step "installation par apt"
# Minimal images may keep dpkg from installing manual pages; ours must be there to be read.
if grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
    printf 'path-include=/usr/share/man/man1/kervane.1.gz\npath-include=/usr/share/man/man7/kervaneodbc.7.gz\n' > "$include"
    printf 'path-include=/usr/share/man/fr/man1/kervane.1.gz\npath-include=/usr/share/man/fr/man7/kervaneodbc.7.gz\n' >> "$include"
fi
apt-get install -y -q "$deb" > "$saved/apt.log" || { cat "$saved/apt.log"; fail "apt-get install"; }
expect_counts 1

step "vérifications en utilisateur ordinaire, sans variable ODBC"
useradd -m -s /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
as_user() {
    runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
install -d -o "$user" "$home/bases"
for file in testV2000.mdb testV1997.mdb; do install -m 644 -o "$user" "$data/jet/$file" "$home/bases/$file"; done

drivers=$(as_user odbcinst -q -d)
for name in "${names[@]}"; do
    grep -qxF "[$name]" <<< "$drivers" || fail "odbcinst -q -d ne liste pas « $name » : $drivers"
done

# testV2000.mdb and testV1997.mdb: Table1 has exactly two rows, A='abcdefg' E=333333333 and
# A='a' E=0 (what the test data's README states).
for name in "${names[@]}"; do
    for file in testV2000.mdb testV1997.mdb; do
        out=$(as_user isql -k -b -d'|' "Driver={$name};DBQ=$home/bases/$file" <<< "SELECT COUNT(*) FROM Table1" 2>&1) \
            || fail "isql, « $name », $file : $out"
        grep -qx '2' <<< "$out" || fail "isql, « $name », $file : 2 lignes attendues dans Table1, lu : $out"
        as_user python3 - "Driver={$name};DBQ=$home/bases/$file" << 'PYTHON' || fail "pyodbc, « $name », $file"
import sys
import pyodbc
rows = pyodbc.connect(sys.argv[1]).cursor().execute("SELECT A, E FROM Table1 ORDER BY E").fetchall()
got = [tuple(row) for row in rows]
if got != [("a", 0), ("abcdefg", 333333333)]:
    sys.exit("Table1: %r" % got)
PYTHON
    done
done
cmp -s "$data/jet/testV2000.mdb" "$home/bases/testV2000.mdb" || fail "la lecture a modifié la copie de testV2000.mdb"

out=$(as_user kervane --version) || fail "kervane --version a échoué"
[ "$out" = "Kervane $version" ] || fail "kervane --version : « $out », attendu « Kervane $version »"
as_user kervane --help > /dev/null || fail "kervane --help a échoué"

# A page as the user reads it (read whole first: grep -q would leave man writing to a closed pipe).
man_page() {
    as_user env MANWIDTH=100 man "$@" 2> /dev/null | tr -s ' '
}
expect_in_page() {
    local text=$1 page
    shift
    page=$(man_page "$@") || fail "man $*"
    grep -qF "$text" <<< "$page" || fail "man $* : « $text » absent"
}
expect_in_page 'kervane - SQL query tool' kervane
expect_in_page 'kervane - outil de requêtes SQL' -L fr kervane
expect_in_page 'Microsoft Access Driver (*.mdb, *.accdb)' 7 kervaneodbc
expect_in_page 'MOTS-CLÉS DE LA CHAÎNE DE CONNEXION' -L fr 7 kervaneodbc

desktop-file-validate /usr/share/applications/kervane.desktop || fail "desktop-file-validate"
[ -f /usr/share/icons/hicolor/scalable/apps/kervane.svg ] || fail "icône absente"

# The installed program starts (offscreen) with the system registration and its installed data:
# on a first start it gives the user a copy of the demonstration database.
set +e
as_user env QT_QPA_PLATFORM=offscreen timeout 20 kervane > "$saved/kervane.log" 2>&1
code=$?
set -e
[ "$code" -eq 124 ] || { cat "$saved/kervane.log"; fail "kervane s'est arrêté seul (code $code)"; }
copy="$home/.local/share/Kervane/Base source Velmora.mdb"
as_user test -w "$copy" || fail "pas de copie de la base de démonstration dans $copy"
cmp -s "$copy" "/usr/share/kervane/Base source Velmora.mdb" || fail "la copie de la base de démonstration diffère"

step "purge"
apt-get purge -y -q kervane > "$saved/apt.log" || { cat "$saved/apt.log"; fail "apt-get purge"; }
drivers=$(as_user odbcinst -q -d 2> /dev/null || true)
for name in "${names[@]}"; do
    if grep -qF "[$name]" <<< "$drivers"; then fail "« $name » est encore inscrit après la purge"; fi
done
if [ -f "$saved/odbcinst.ini" ]; then
    cmp "$saved/odbcinst.ini" /etc/odbcinst.ini || fail "/etc/odbcinst.ini n'est plus le même après la purge"
fi
[ -f "$copy" ] && [ -f "$home/bases/testV2000.mdb" ] || fail "la purge a touché aux fichiers de l'utilisateur"
[ ! -e /var/lib/kervane ] || fail "/var/lib/kervane reste après la purge"

step "nom déjà inscrit par un autre paquet"
printf '[%s]\nDescription=Autre paquet\nDriver=/usr/lib/autre/libautre.so\n' "${names[0]}" | odbcinst -i -d -r > /dev/null
expect_counts 1 0
apt-get install -y -q "$deb" > "$saved/apt.log" || { cat "$saved/apt.log"; fail "apt-get install"; }
expect_counts 2 1
apt-get install -y -q --reinstall "$deb" > "$saved/apt.log" || { cat "$saved/apt.log"; fail "apt-get install --reinstall"; }
expect_counts 2 1
dpkg-reconfigure kervane
expect_counts 2 1
apt-get purge -y -q kervane > "$saved/apt.log" || { cat "$saved/apt.log"; fail "apt-get purge"; }
expect_counts 1 0
odbcinst -u -d -n "${names[0]}" > /dev/null
expect_counts 0
if [ -f "$saved/odbcinst.ini" ]; then
    cmp "$saved/odbcinst.ini" /etc/odbcinst.ini || fail "/etc/odbcinst.ini n'est plus le même à la fin"
fi

echo "Paquet $(basename "$deb") : toutes les vérifications passent."
