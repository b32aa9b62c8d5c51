#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/ from the
# built-in scenario (through 'binario example' and 'binario run') and small
# hand-made files. The seeds are kept in the repository; run this again only to
# renew them:  fuzz/make_seeds.sh build/release/binario
set -euo pipefail
binario=$(realpath "${1:?usage: make_seeds.sh PATH_TO_BINARIO}")
cd "$(dirname "$0")"
corpus=$PWD/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$binario" example "$work"
linea=$work/"Lavena_Torre Alta_linea.txt"
treno=$work/"Lavena_Torre Alta_A 1-.txt"
mkdir -p "$work/run"
"$binario" run --dir "$work/run" 2>/dev/null

lf() { tr -d '\r' <"$1"; }
cr() { tr -d '\n' <"$1"; }

# ---- fuzz_compile: LINE \0\0 TRAIN -----------------------------------------
d=$corpus/fuzz_compile
rm -rf "$d" && mkdir -p "$d"
sep() { printf '\0\0'; }
{ cat "$linea"; sep; cat "$treno"; } >"$d/builtin_scenario"
{ lf "$linea"; sep; lf "$treno"; } >"$d/builtin_scenario_lf_only"
{ cr "$linea"; sep; cr "$treno"; } >"$d/builtin_scenario_cr_only"
cat "$linea" >"$d/builtin_line_train_missing"
{ printf '[generale]\r\nlunghezza percorso, 2000\r\nprogressiva chilometrica uno, 100, 50, 1\r\n'
  printf 'progressiva chilometrica due, 0, 150, 0\r\nsfondo uno, 1\r\nsfondo due, 2\r\nsfondo tre, 3\r\n'
  printf 'ripetizione segnali 9 codici, 100, 500\r\n----------\r\n[curve]\r\ncurvad6, 100, 50\r\n'
  printf 'CURVAS2, 300, 200\r\n[pendenze]\r\npendenza, 0, 12\r\npendenza, 75, -3\r\n'
  printf '[montagne]\r\nmontagna, 400, 700, 11\r\nmontagna, 800, 900, 2\r\n[cartelli]\r\n'
  printf 'indicatori_vmax, 550, 75, 75, 75, 1, 70, , , 0\r\n[indicazioni]\r\n'
  printf 'cartello_indicatore, 1200, "(P.L., quoted)"\r\ncartello_indicatore, 1300, (BOARD   )\r\n[fine]\r\n'
  sep
  printf '[generale]\r\nnumero vetture, 2\r\npercentuale massa frenata, 60\r\nsabbia, 30\r\n'
  printf 'orologio,    6   5   4 \r\n[aderenze]\r\naderenza, 0, 100\r\naderenza, 500, 90\r\n'
  printf '[vel_limite]\r\nvelocita, 0, 30\r\nvelocita, 400, 72\r\n[stazioni]\r\n'
  printf 'stazione, 0, 7, 200, 1, 1, 1, 1,1,0, 1,1,1, 30, 6,5,4, ORIGINE\r\n'
  printf 'stazione, 1000, 12, 600, 0, 1, 1, 0,0,0, 0,0,0, 0, 6,9,0, FINE\r\n'
  printf '[rallentamenti]\r\nrallentamento, 1600, 15, 100, 1, 1, 15\r\n[segnali]\r\n'
  printf 'segnale, 350, 2, 5, 1, 0, 0, 0, 0,0,0, 50\r\nsegnale, 1450, 1, 3, 1, 0, 0, 0, 0,0,0, 0\r\n'
  printf '[codici]\r\nabbattimento, 700, 180\r\nabbattimento, 750, 0\r\n[fine]\r\n'
} >"$d/small_every_record"
{ printf '[generale]\r\nlunghezza percorso, 1000001\r\n[fine]\r\n'; sep; printf '[fine]\r\n'; } >"$d/length_above_limit"
{ printf '[generale]\r\nlunghezza percorso, 1000000\r\n[curve]\r\ncurvas1, 999000, 999\r\n[fine]\r\n'
  sep; printf '[generale]\r\nvelocita, 0, 1275\r\n[fine]\r\n'; } >"$d/longest_line"
{ printf '[generale]\r\nlunghezza percorso, 99999999999\r\n[fine]\r\n'; sep; } >"$d/length_past_32_bits"
{ printf 'lunghezza percorso, 100\r\n'; sep; printf '[generale]\r\n'; } >"$d/no_general_section"
{ printf '[generale]\r\nlunghezza percorso, 500\r\n[fine]\r\n'; sep
  for c in 0 500 1000 1500 2000; do printf 'stazione, %d, 28, 100, 0,0,0, 0,0,0, 0,0,0, 0, 7,0,0, S%d\r\n' "$c" "$c"; done
  printf 'segnale, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1\r\nrallentamento, 5000, 200, 100000, 1, 1, 0\r\n[fine]\r\n'
} >"$d/records_at_the_edges"

# ---- fuzz_item_reader: n, n script bytes (bit 0: 1 number, 0 text), text -----
d=$corpus/fuzz_item_reader
rm -rf "$d" && mkdir -p "$d"
{ printf '\0'; cat "$linea"; } >"$d/builtin_line_alternating"
{ printf '\004\000\001\001\001'; cat "$linea"; } >"$d/builtin_line_text_then_three_numbers"
# A station record: the keyword, sixteen numbers, the name.
{ printf '\022'; printf '\000'; for _ in $(seq 16); do printf '\001'; done; printf '\000'
  lf "$treno"; } >"$d/builtin_train_station_script"
{ printf '\003\000\001\001'; printf ' "quoted, item" tail ,  -12  +7\r\r\n\n, ,\t,\r'
  printf 'abc,99999999999999999999,-,+,12x, "open\r\n"'; } >"$d/quotes_signs_and_line_ends"
{ printf '\001\001'; printf '  1 2\t3,,\r\n4   ,5 \r6\n'; } >"$d/numbers_only"
printf '\000' >"$d/empty_text"

# ---- fuzz_inspect: compiled files, trimmed ----------------------------------
d=$corpus/fuzz_inspect
rm -rf "$d" && mkdir -p "$d"
cp "$work/run/Lavena_Torre Alta_A 1.sim" "$d/builtin_table"
head -c 600 "$work/run/Lavena_Torre Alta_A 1.dat" >"$d/builtin_cells_first_40"
head -c 988 "$work/run/Lavena_Torre Alta_linea.dat" >"$d/builtin_plan_first_100_elements"
# Every tag with a few values: empty, int16 -1, NaN, infinity, 1.5, -0.0.
printf '\000\000\002\000\377\377\005\000\000\000\000\000\000\000\370\177' >"$d/plan_tags"
printf '\005\000\000\000\000\000\000\000\360\177\005\000\000\000\000\000\000\000\370\077' >>"$d/plan_tags"
printf '\005\000\000\000\000\000\000\000\000\200\000\000' >>"$d/plan_tags"
printf '\001\002' >"$d/two_bytes"
# ---- fuzz_compile_long: the compile seeds, lines of every length -----------
d=$corpus/fuzz_compile_long
rm -rf "$d" && mkdir -p "$d"
cp "$corpus/fuzz_compile/"* "$d/"

# ---- fuzz_write_set: files, failing call (LE16), way, old files, contents ---
d=$corpus/fuzz_write_set
rm -rf "$d" && mkdir -p "$d"
contenuti() { printf '\003old\005old 2\001o\003new\007new two\001n'; }
{ printf '\002\377\377\000\007'; contenuti; } >"$d/three_files_no_fault"
for k in 0 3 9 14 20; do
  { printf "\\002\\$(printf '%03o' $k)\\000\\002\\007"; contenuti; } >"$d/three_files_call_${k}_fails"
  { printf "\\002\\$(printf '%03o' $k)\\000\\001\\007"; contenuti; } >"$d/three_files_dead_at_call_$k"
done
{ printf '\001\002\000\000\002'; printf '\003new\003two'; } >"$d/two_files_one_old"
{ printf '\000\001\000\001\000'; printf '\004only'; } >"$d/one_file_dead_at_call_1"
echo "seeds written to $corpus"
