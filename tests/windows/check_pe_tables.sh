#!/bin/sh
# Checks the import and export tables of a cross-built Windows file.
#   check_pe_tables.sh OBJDUMP FILE [EXPORT ...]
# Imports: only system DLLs may be named (KERNEL32, USER32, msvcrt); any
# other DLL would have to be shipped beside the deliverable.
# Exports: with EXPORT names given, the export table must name exactly these,
# undecorated; with none, the file must export nothing.
set -u
objdump=$1 file=$2
shift 2
[ -f "$file" ] || { echo "FAIL: $file: no such file"; exit 1; }
dump=$("$objdump" -p "$file") || { echo "FAIL: $objdump -p $file failed"; exit 1; }

status=0
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
for dll in $imports; do
  case $(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]') in
    kernel32.dll|user32.dll|msvcrt.dll) ;;
    *) echo "FAIL: $file imports $dll, which is not a system DLL"; status=1 ;;
  esac
done
printf '%s\n' "$imports" | grep -qi '^kernel32\.dll$' ||
  { echo "FAIL: $file: no KERNEL32.dll import found; unreadable import table?"; status=1; }

# Entries of "[Ordinal/Name Pointer] Table" read "[   0] name".
found=$(printf '%s\n' "$dump" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^[[:space:]]*$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
expected=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
if [ "$found" != "$expected" ]; then
  echo "FAIL: $file exports"
  printf '%s\n' "$found" | sed 's/^/    /'
  echo "  expected exactly"
  printf '%s\n' "$expected" | sed 's/^/    /'
  status=1
fi
[ $status = 0 ] && echo "ok: $file imports [$(echo $imports)] exports [$(echo $found)]"
exit $status
