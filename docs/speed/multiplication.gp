# Run time of multiplication N x N against N, log-log, under the macro and
# the event engine. Called by multiplication.sh with data and output set.
set terminal svg size 720,480 dynamic font "sans,12" background "white"
set output output
set title "multiplication N x N: wall time of the run"
set logscale xy
set xlabel "N"
set ylabel "seconds"
set format x "10^{%L}"
set format y "10^{%L}"
set grid xtics ytics mxtics mytics lc "#dddddd"
set key top left
set xrange [5:2000000]
plot data using 1:(strcol(2) eq "event" ? $4 : NaN) with linespoints pt 7 lc "#c0392b" title "event", \
     data using 1:(strcol(2) eq "macro" ? $4 : NaN) with linespoints pt 5 lc "#2471a3" title "macro"
