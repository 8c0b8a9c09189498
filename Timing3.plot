set output 'Timing3.svg
set terminal svg
set multiplot
set grid
set title "Clients end date"
set xlabel "audio cycles"
set ylabel "usec"
plot "/tmp/e2e-pw28/profile.log" using 1 title "Audio period" with lines, "/tmp/e2e-pw28/profile.log" using 8 title "pw-record/41" with lines, "/tmp/e2e-pw28/profile.log" using 16 title "Vexaline/49" with lines
unset multiplot
unset output
