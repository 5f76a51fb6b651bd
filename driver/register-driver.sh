#!/bin/sh
# Registers the Kervane ODBC library under the driver name "Microsoft Access Driver (*.mdb)".
#
#   register-driver.sh LIBRARY FOLDER   writes FOLDER/odbcinst.ini (private registration:
#                                       point ODBCSYSINI at FOLDER, ODBCINI at a user file)
#   register-driver.sh --system LIBRARY registers it system-wide through odbcinst (as root)
set -eu

DRIVER_NAME='Microsoft Access Driver (*.mdb)'

usage() {
    echo "usage: $0 LIBRARY FOLDER | $0 --system LIBRARY" >&2
    exit 2
}

# No Threading entry (level 0): unixODBC then passes SQLCancel to the driver while a statement
# runs on another thread, and the driver serialises its own calls; at level 3 the cancel would
# wait for the end of the very statement it should stop.
section() {
    printf '[%s]\n' "$DRIVER_NAME"
    printf 'Description=Pilote ODBC Access de Kervane (moteur SQLite)\n'
    printf 'Driver=%s\n' "$1"
    printf 'Setup=%s\n' "$1"
    printf 'FileUsage=1\n'
}

absolute() {
    case "$1" in
        /*) printf '%s\n' "$1" ;;
        *) printf '%s/%s\n' "$(pwd)" "$1" ;;
    esac
}

if [ "${1:-}" = "--system" ]; then
    [ $# -eq 2 ] || usage
    library=$(absolute "$2")
    [ -f "$library" ] || { echo "$0: $library: no such library" >&2; exit 1; }
    section "$library" | odbcinst -i -d -r
    exit 0
fi

[ $# -eq 2 ] || usage
library=$(absolute "$1")
folder=$2
mkdir -p "$folder"
ini="$folder/odbcinst.ini"
temporary="$ini.$$"
# Keep the other drivers' sections, replace ours.
if [ -f "$ini" ]; then
    awk -v name="[$DRIVER_NAME]" '
        /^\[/ { skip = ($0 == name) }
        !skip { print }
    ' "$ini" > "$temporary"
else
    : > "$temporary"
fi
section "$library" >> "$temporary"
mv "$temporary" "$ini"
# The system data-source file of that folder must exist for the installer to write into it.
[ -f "$folder/odbc.ini" ] || : > "$folder/odbc.ini"
