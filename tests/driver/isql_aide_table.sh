#!/bin/sh
# unixODBC's isql describing a table of nwind.mdb with "help TABLE" (SQLColumns): every column
# of Customers appears, as jetcheck lists them. Exits 77 (skipped) without isql or the test data.
command -v isql >/dev/null 2>&1 || { echo "isql absent : test ignoré"; exit 77; }
nwind="$KERVANE_TEST_DATA/nwind.mdb"
[ -n "$KERVANE_TEST_DATA" ] && [ -f "$nwind" ] || { echo "nwind.mdb absent : test ignoré"; exit 77; }

folder=$(mktemp -d) || exit 1
trap 'rm -rf "$folder"' EXIT
printf '[Nwind]\nDriver=Microsoft Access Driver (*.mdb)\nDBQ=%s\n' "$nwind" > "$folder/odbc.ini"
echo "help Customers" | ODBCINI="$folder/odbc.ini" isql -v Nwind -b > "$folder/sortie.txt" 2>&1
status=$?
if [ $status -ne 0 ]; then
    cat "$folder/sortie.txt"
    echo "isql a échoué ($status)"
    exit 1
fi
for column in CustomerID CompanyName ContactName ContactTitle Address City Region PostalCode Country Phone Fax; do
    if ! grep -q "| Customers *| $column " "$folder/sortie.txt"; then
        cat "$folder/sortie.txt"
        echo "colonne $column absente de la description"
        exit 1
    fi
done
grep -q "11 rows fetched" "$folder/sortie.txt" || { cat "$folder/sortie.txt"; echo "nombre de colonnes faux"; exit 1; }
echo "isql : help Customers décrit les 11 colonnes"
