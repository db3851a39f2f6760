#!/usr/bin/env bash
# --json: each row runs a command as text and as JSON; the JSON must parse
# and carry the same fact the text shows.
source "$(dirname "$0")/common.sh"

"$ctl" --data-dir "$work/data" settings defaults -o "$work/a.cfg" >/dev/null 2>&1
awk 'NR == 43 { print "1\r"; next } { print }' "$work/a.cfg" >"$work/b.cfg"  # relay 1: another mode
seq 0 1791 | awk '{ printf "%d\r\n", $1 % 256 }' >"$work/DEZ_RPU_3_081226_object_7_conf_255.rrg"
{ printf '\x55\x55\x12\x82'; head -c 1030 /dev/zero; } >"$work/data/Base/RPU_130.bin"

# row: name | ortenctl arguments | jq expression | extended regexp the text shows the same value in ({} is the value)
rows=(
  "info|--simulate mro info|.version_text|^Версия ПО: {}\$"
  "info type|--simulate rpu:130 info|.type|^Тип прибора: {}\$"
  "firmware list|--simulate rpu:120 firmware list|.offered|^{} .*будет предложена"
  "firmware list family|firmware list --family rpu|.files[0].size|^RPU_130\\.bin +130 +{} "
  "firmware list folder|firmware list --family rpu|.folder|^Папка Base: {}\$"
  "firmware check|firmware check RPU_130.bin|.version_byte|^Байт версии: {}\$"
  "backup info|backup info $work/DEZ_RPU_3_081226_object_7_conf_255.rrg|.object|^Номер объекта\\(системы\\): {}\$"
  "backup info code|backup info $work/DEZ_RPU_3_081226_object_7_conf_255.rrg|.configuration_code|^Код конфигурации: {}\$"
  "settings show|settings show $work/a.cfg|.outputs[2].mode|^Режим работы +.* {}\$"
  "settings diff|settings diff $work/a.cfg $work/b.cfg|.differences[0].b|^Реле №1: Режим работы: .* -> {}\$"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name args expr pattern <<<"$row"
  # shellcheck disable=SC2086
  text=$("$ctl" --data-dir "$work/data" $args 2>/dev/null)
  # shellcheck disable=SC2086
  json=$("$ctl" --data-dir "$work/data" $args --json 2>/dev/null); rc=$?
  check "$name: --json exits 0" test $rc -eq 0
  check "$name: one JSON object" jq -e 'type == "object"' <<<"$json" >/dev/null
  value=$(jq -r "$expr" <<<"$json")
  literal=$(sed 's/[][\.*^$()+?{}|]/\\&/g' <<<"$value")  # the value as itself in the pattern
  check "$name: $expr ($value) is in the text" grep -Eq "${pattern//\{\}/$literal}" <<<"$text"
done

"$ctl" --data-dir "$work/data" usb --json >"$work/usb.json" 2>/dev/null
check "usb --json parses, with a device list" jq -e '.devices | type == "array"' "$work/usb.json" >/dev/null
"$ctl" --data-dir "$work/data" settings write "$work/a.cfg" --json >/dev/null 2>&1; rc=$?
check "--json where a command has no JSON form is a usage error" test $rc -eq 2

# Output that cannot be written is a failure: exit 3 and a message, never
# 0 over a cut or missing result.
# row: name | ortenctl arguments
rows=(
  "journal --json|journal --json"
  "settings show|settings show $work/a.cfg"
  "info --json|--simulate mro info --json"
  "firmware list --json|firmware list --family rpu --json"
  "--help|--help"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name args <<<"$row"
  # shellcheck disable=SC2086
  "$ctl" --data-dir "$work/data" $args >/dev/full 2>"$work/err"; rc=$?
  check "$name to a full disk: exit 3" test $rc -eq 3
  check "$name to a full disk: says so" grep -q '^ortenctl: не удается вывести результат' "$work/err"
done
"$ctl" --data-dir "$work/data" --simulate mro info >&- 2>"$work/err"; rc=$?
check "stdout closed: exit 3" test $rc -eq 3
exit $fail
