set output 'Timing5.svg
set terminal svg
set multiplot
set grid
set title "Clients duration"
set xlabel "audio cycles"
set ylabel "usec"
plot "/tmp/e2e-pw28/profile.log" using 10 title "pw-record/41" with lines, "/tmp/e2e-pw28/profile.log" using 18 title "Vexaline/49" with lines
unset multiplot
unset output
