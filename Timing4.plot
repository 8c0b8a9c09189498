set output 'Timing4.svg
set terminal svg
set multiplot
set grid
set title "Clients scheduling latency"
set xlabel "audio cycles"
set ylabel "usec"
plot "/tmp/tmp.EZ5vOFwyBm/profile.log" using 9 title "pw-play/41" with lines
unset multiplot
unset output
