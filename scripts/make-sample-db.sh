#!/usr/bin/env bash
# Creates a sample patient database (dialect 1, character set NONE) for the
# embedded engine: table IMMAGINI with a few thousand rows whose image paths
# look like a clinic's: most in the "+\immagini\" form, some absolute with a
# drive letter and "immagini" inside, a few empty or null.
# Usage: scripts/make-sample-db.sh PATH [ROWS]
set -euo pipefail
db=${1:?usage: make-sample-db.sh PATH [ROWS]}
rows=${2:-3000}
root=$(cd "$(dirname "$0")/.." && pwd)
sql=$(mktemp --suffix=.sql)
trap 'rm -f "$sql"' EXIT

mkdir -p "$(dirname "$db")"
{
  echo "SET SQL DIALECT 1;"
  echo "CREATE DATABASE '$db' USER 'SYSDBA' PASSWORD 'quietloom' PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE;"
  cat "$root/tests/sql/patient_schema.sql"
  awk -v rows="$rows" 'BEGIN {
    srand(20031);
    split("Arcata superiore,Arcata inferiore,Molare,Premolare,Incisivo,Panoramica,ATM", zone, ",");
    split("Mar,Apr,May,Jun,Jul,Sep,Oct,Nov", mon, ",");
    print "SET TERM ^ ;";
    for (i = 1; i <= rows; i++) {
      client = 1000 + int(i / 7);
      chart = 1 + (i % 9);
      year = 2001 + (i % 20);
      file = sprintf("%s\\p%05d.jpg", year, i);
      r = i % 50;
      if (r < 40)       path = "'\''+\\immagini\\" file "'\''";
      else if (r < 44)  path = "'\''D:\\Archivio\\immagini\\" file "'\''";
      else if (r < 47)  path = "'\''C:\\Ostra\\Palvena\\immagini\\" file "'\''";
      else if (r < 48)  path = "'\''\\\\server\\studio\\immagini\\" file "'\''";
      else if (r < 49)  path = "'\'''\''";
      else              path = "NULL";
      printf "INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, ZONA, DATA, EXTFILE, COMMENTO) VALUES (%d, %d, %d, '\''%s'\'', '\''%d-%s-%d'\'', %s, NULL)^\n",
        client, chart, i, zone[1 + i % 7], 1 + i % 28, mon[1 + i % 8], year, path;
      if (i % 1000 == 0) print "COMMIT^";
    }
    print "COMMIT^";
    print "SET TERM ; ^";
  }'
} > "$sql"
# isql warns that dialect 1 calls its DATE a TIMESTAMP; only a failure is worth showing.
if ! output=$(isql-fb -q -b -i "$sql" 2>&1); then
  echo "$output" >&2
  exit 1
fi
gfix -user SYSDBA -password quietloom -write async "$db"
