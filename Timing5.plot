set output 'Timing5.svg
set terminal svg
set multiplot
set grid
set title "Clients duration"
set xlabel "audio cycles"
set ylabel "usec"
plot "/tmp/tmp.EZ5vOFwyBm/profile.log" using 10 title "pw-play/41" with lines
unset multiplot
unset output
