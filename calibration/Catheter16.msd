16           sensors, tip first
0  0.000 1 0.000   sensor 0: channel, distance from tip, endoscope sensor, spacing
1  0.080 1 0.080   sensor 1: channel, distance from tip, endoscope sensor, spacing
2  0.160 1 0.080   sensor 2: channel, distance from tip, endoscope sensor, spacing
3  0.240 1 0.080   sensor 3: channel, distance from tip, endoscope sensor, spacing
4  0.320 1 0.080   sensor 4: channel, distance from tip, endoscope sensor, spacing
5  0.400 1 0.080   sensor 5: channel, distance from tip, endoscope sensor, spacing
6  0.480 1 0.080   sensor 6: channel, distance from tip, endoscope sensor, spacing
7  0.560 1 0.080   sensor 7: channel, distance from tip, endoscope sensor, spacing
8  0.640 1 0.080   sensor 8: channel, distance from tip, endoscope sensor, spacing
9  0.720 1 0.080   sensor 9: channel, distance from tip, endoscope sensor, spacing
10 0.800 1 0.080   sensor 10: channel, distance from tip, endoscope sensor, spacing
11 0.880 1 0.080   sensor 11: channel, distance from tip, endoscope sensor, spacing
12 0.960 1 0.080   sensor 12: channel, distance from tip, endoscope sensor, spacing
13 1.040 1 0.080   sensor 13: channel, distance from tip, endoscope sensor, spacing
14 1.120 1 0.080   sensor 14: channel, distance from tip, endoscope sensor, spacing
15 1.200 1 0.080   sensor 15: channel, distance from tip, endoscope sensor, spacing
