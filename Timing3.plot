set output 'Timing3.svg
set terminal svg
set multiplot
set grid
set title "Clients end date"
set xlabel "audio cycles"
set ylabel "usec"
plot "/tmp/tmp.EZ5vOFwyBm/profile.log" using 1 title "Audio period" with lines, "/tmp/tmp.EZ5vOFwyBm/profile.log" using 8 title "pw-play/41" with lines
unset multiplot
unset output
