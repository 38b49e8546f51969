# The benchmark's chart: creation speed, reading speed and archive size,
# one group of bars per tool and one bar per data set, each bar labelled
# with its value. report.py writes the tables; run as
#   gnuplot -e "dir='OUT_DIR'" bench/chart.gp
set terminal pngcairo size 1400,1650 font "DejaVu Sans,12"
set output dir."/chart.png"

set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set grid ytics
set key autotitle columnhead
set xtics nomirror rotate by -25 left
set lmargin 13
set bmargin 6

# Columns 2.. are the data sets, one quoted title each in the first line.
# In a clustered histogram of n series, bar i (from 0) of group x stands at
# x + (i - (n - 1) / 2) / (n + gap).
series(f) = system("head -n 1 '".f."' | awk -F'\"' '{ print (NF - 1) / 2 }'")
at(i, n) = $0 + (i - (n - 1) / 2.0) / (n + 1)
bars = "for [i = 2:n + 1] f using i:xtic(1), \
        for [i = 2:n + 1] f using (at(i - 2, n)):i:(sprintf(fmt, column(i))) \
            with labels offset 0, 0.7 font ',10' notitle"

set multiplot layout 3, 1

# Speeds span three orders of magnitude: a log scale keeps the slow bars visible.
# The slowest bars are at the left, so the key goes there.
set logscale y
set yrange [0.1:*]
set offsets 0, 0, graph 0.12, 0  # room above the highest bar for its label
set key top left
set ylabel "MB/s (log scale)"

f = dir."/chart-create.dat"; n = series(f); fmt = "%.1f"
set title "Creation speed (MB of input per second, higher is better)"
plot @bars

f = dir."/chart-read.dat"; n = series(f); fmt = "%.0f"
set title "Reading speed (MB of output per second; extract to tmpfs, the others to /dev/null)"
plot @bars

unset logscale y
set yrange [0:*]
set key top right

f = dir."/chart-size.dat"; n = series(f); fmt = "%.1f"
set title "Archive size (% of input, lower is better)"
set ylabel "% of input"
plot @bars

unset multiplot
