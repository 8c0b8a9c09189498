set output 'Timing4.svg
set terminal svg
set multiplot
set grid
set title "Clients scheduling latency"
set xlabel "audio cycles"
set ylabel "usec"
plot "/tmp/e2e-pw28/profile.log" using 9 title "Vexaline/41" with lines, "/tmp/e2e-pw28/profile.log" using 17 title "pw-record/48" with lines
unset multiplot
unset output
