#!/bin/sh
# Makes the seed files of the settings-store fuzz target: a clean store as the
# player writes it, one with every value form and escape, and a damaged one.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../fuzz/seeds/fuzz_config_store"
mkdir -p "$out"

printf '%s\n' '[HKEY_CURRENT_USER\Software\Zyl\Vexaline\Velm]' \
    '"PlayWhenOpen"="Yes"' '"SecureClose"="No"' '"PitchRange"=dword:00000001' \
    '"OpenPath"="/home/dj/Music"' '"StartX"=dword:00000078' >"$out/clean.reg"
printf '%s\r\n' '; forms and escapes' '"A"="quote \" backslash \\ break \n"' \
    '"B"=hex:01,ff,00' '"c"=dword:FFFFFFFF' '"SavePath"=""' '"a"="last wins"' >"$out/forms.reg"
printf '"PitchRange"=dword:0000000\n\001\002garbage\n"OpenPath"="unterminated\n"x"=hex:1,2\n' \
    >"$out/damaged.reg"
