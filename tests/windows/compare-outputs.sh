#!/usr/bin/env bash
# compare-outputs.sh HOST_BUILD WINDOWS_BUILD: volmira-query.exe and volmira-export.exe under Wine print and
# write byte for byte what the Linux build's programs do, on the sample dictionary and on one of 100,000
# column rows: every statement below in TSV, --header, --csv and --json, and the export's CSV and Markdown
# files, and end with the same status. Shows every difference and then ends with status 1.
set -euo pipefail
host=$1 win=$2
wine=$win/wine-run
scratch=$win/compare
rm -rf "$scratch"
mkdir -p "$scratch"

sample=$host/samples/TAVRIN-sample.mdb
large=$scratch/large.mdb
"$host/bin/bench_writer" 100000 "$large" > /dev/null

statements=(
  # The README's examples.
  "Select Distinct Table from Main where [Functional Area]='clcl'"
  # The window's statements.
  "Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES"
  "Select [Functional Area] from Main where Table= 'CMC_CLCL_CLAIM'"
  "Select Distinct Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC where [Functional Area]='bill'"
  "Select Distinct Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],[Primary Key],[Foreign Key],[GUI Name],[GUI Control],[Column_SeqNo] from Main where [Functional Area]='acct' order by [Column_SeqNo]"
  "Select Value, Description from [Values] where [Functional Area]='clcl'"
  "SELECT DISTINCT Table from Main where InStr(Table, 'CL' ) > 0 order by Table"
  "Select Distinct Table from Main where InStr([PD_Definition], 'user' ) > 0 order by Table"
  # Every kind of value, every clause, the functions, and errors.
  "Select * from Main"
  "Select * from [Values]"
  "Select * from CDS_TBL_TABLE_DESC"
  "Select [Functional Area], Count(*), Min([Column_SeqNo]), Max(Len([PD_Definition])) from Main group by [Functional Area] having Count(*) > 1 order by 2 desc"
  "Select TOP 5 Table, Column from Main order by Column desc"
  "Select UCase(Left(Table, 4)) & '-' & LCase(Mid(Column, 6, 3)) as Code, Trim('  x  ') as T, Nz([GUI Name], 'none') from Main where Column like 'CL*'"
  "Select IIf([Primary Key], 'key', 'no') as K, Count(*) from Main group by IIf([Primary Key], 'key', 'no')"
  "Select Column_SeqNo / 4, Column_SeqNo \\ 4, Column_SeqNo Mod 4, -Column_SeqNo + 0.5 from Main where Column_SeqNo between 3 and 1"
  "Select m.Table, d.Description from Main as m inner join CDS_TBL_TABLE_DESC as d on m.Table = d.Table where m.[Functional Area] in ('clcl', 'bill')"
  "Select m.Table, v.Value from Main m left join [Values] v on m.Column = v.Column where v.Value is null and m.[Foreign Key] = True"
  "Select Year(#2021-12-02 10:30:00#), Month(#1850-06-01#), Day(#9999-12-31#), Format(#2021-12-02#, \"yyyy-mm-dd\")"
  "Select Distinct [Data Type] from Main"
  "Select Table from Main where Column like '[!a-m]*' and Table <> 'X'"
  "Select Count(*) from Main"
  "Select Avg(Column_SeqNo), Sum(Column_SeqNo) from Main"
  "Select Nothing from Main"
  "Select 1 / 0"
  "Select * from Missing"
)

differences=0
compare() {
  local what=$1 linux=$2 windows=$3
  if ! cmp -s "$linux" "$windows"; then
    echo "compare-outputs: differs: $what"
    diff <(od -c "$linux" | head -20) <(od -c "$windows" | head -20) || true
    differences=$((differences + 1))
  fi
}

checked=0
for dictionary in "$sample" "$large"; do
  name=$(basename "$dictionary" .mdb)
  # All statements of one format through one call on standard input, then each statement as an argument.
  printf '%s\n' "${statements[@]}" > "$scratch/statements.sql"
  for format in "" --header --csv --json; do
    status=0
    "$host/bin/volmira-query" $format "$dictionary" - < "$scratch/statements.sql" > "$scratch/linux.out" \
      2> "$scratch/linux.err" || status=$?
    echo "$status" > "$scratch/linux.status"
    status=0
    "$wine" "$win/bin/volmira-query.exe" $format "$dictionary" - < "$scratch/statements.sql" > "$scratch/windows.out" \
      2> "$scratch/windows.err" || status=$?
    echo "$status" > "$scratch/windows.status"
    compare "$name ${format:-TSV} (standard input)" "$scratch/linux.out" "$scratch/windows.out"
    compare "$name ${format:-TSV} exit status" "$scratch/linux.status" "$scratch/windows.status"
    # Standard error is text: Windows ends its lines with CR LF.
    compare "$name ${format:-TSV} errors" "$scratch/linux.err" <(tr -d '\r' < "$scratch/windows.err")
    checked=$((checked + ${#statements[@]} + 1))
  done
  for statement in "${statements[@]:0:3}"; do
    for format in "" --csv --json; do
      "$host/bin/volmira-query" $format "$dictionary" "$statement" > "$scratch/linux.out" 2>&1 || true
      "$wine" "$win/bin/volmira-query.exe" $format "$dictionary" "$statement" > "$scratch/windows.out" 2>&1 || true
      compare "$name ${format:-TSV}: $statement" "$scratch/linux.out" "$scratch/windows.out"
      checked=$((checked + 1))
    done
  done
  for format in csv markdown; do
    "$host/bin/volmira-export" "$dictionary" "$scratch/linux-$name-$format" --format "$format" 2> /dev/null
    "$wine" "$win/bin/volmira-export.exe" "$dictionary" "$scratch/windows-$name-$format" --format "$format" 2> /dev/null
    files=$(cd "$scratch/linux-$name-$format" && find . -type f | sort)
    [ "$files" = "$(cd "$scratch/windows-$name-$format" && find . -type f | sort)" ] \
      || { echo "compare-outputs: $name $format: other files"; differences=$((differences + 1)); }
    for file in $files; do
      compare "$name $format $file" "$scratch/linux-$name-$format/$file" "$scratch/windows-$name-$format/$file"
      checked=$((checked + 1))
    done
  done
done
if [ "$differences" -gt 0 ]; then
  echo "compare-outputs: $differences of $checked outputs differ"
  exit 1
fi
echo "compare-outputs: $checked outputs of volmira-query.exe and volmira-export.exe under Wine equal the Linux build's"
rm -rf "$scratch"
