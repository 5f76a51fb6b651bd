#!/bin/sh
# Registers the Kervane ODBC library under the two names Access's drivers go by, "Microsoft
# Access Driver (*.mdb)" and "Microsoft Access Driver (*.mdb, *.accdb)".
#
#   register-driver.sh LIBRARY FOLDER   writes FOLDER/odbcinst.ini (private registration:
#                                       point ODBCSYSINI at FOLDER, ODBCINI at a user file)
#   register-driver.sh --system LIBRARY registers it system-wide through odbcinst (as root)
#   register-driver.sh --system-remove  takes that system-wide registration back
#
# unixODBC counts the registrations of a driver name (UsageCount): each --system adds one to
# each name, each --system-remove takes one away, and a name goes when its count reaches zero.
set -eu

DRIVER_NAMES='Microsoft Access Driver (*.mdb)
Microsoft Access Driver (*.mdb, *.accdb)'

usage() {
    echo "usage: $0 LIBRARY FOLDER | $0 --system LIBRARY | $0 --system-remove" >&2
    exit 2
}

# No Threading entry (level 0): unixODBC then passes SQLCancel to the driver while a statement
# runs on another thread, and the driver serialises its own calls; at level 3 the cancel would
# wait for the end of the very statement it should stop.
sections() {
    printf '%s\n' "$DRIVER_NAMES" | while IFS= read -r name; do
        printf '[%s]\n' "$name"
        printf 'Description=Pilote ODBC Access de Kervane (moteur SQLite)\n'
        printf 'Driver=%s\n' "$1"
        printf 'Setup=%s\n' "$1"
        printf 'FileUsage=1\n'
    done
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
    sections "$library" | odbcinst -i -d -r
    exit 0
fi

if [ "${1:-}" = "--system-remove" ]; then
    [ $# -eq 1 ] || usage
    printf '%s\n' "$DRIVER_NAMES" | while IFS= read -r name; do
        odbcinst -u -d -n "$name"
    done
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
    awk -v names="$DRIVER_NAMES" '
        BEGIN { count = split(names, list, "\n"); for (i = 1; i <= count; ++i) ours["[" list[i] "]"] = 1 }
        /^\[/ { skip = ($0 in ours) }
        !skip { print }
    ' "$ini" > "$temporary"
else
    : > "$temporary"
fi
sections "$library" >> "$temporary"
mv "$temporary" "$ini"
# The system data-source file of that folder must exist for the installer to write into it.
[ -f "$folder/odbc.ini" ] || : > "$folder/odbc.ini"
