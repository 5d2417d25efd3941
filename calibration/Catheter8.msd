8           sensors, tip first
0  0.025 1 0.025   sensor 0: channel, distance from tip, endoscope sensor, spacing
1  0.125 1 0.100   sensor 1: channel, distance from tip, endoscope sensor, spacing
2  0.225 1 0.100   sensor 2: channel, distance from tip, endoscope sensor, spacing
3  0.325 1 0.100   sensor 3: channel, distance from tip, endoscope sensor, spacing
4  0.425 1 0.100   sensor 4: channel, distance from tip, endoscope sensor, spacing
5  0.525 1 0.100   sensor 5: channel, distance from tip, endoscope sensor, spacing
6  0.625 1 0.100   sensor 6: channel, distance from tip, endoscope sensor, spacing
7  0.725 1 0.100   sensor 7: channel, distance from tip, endoscope sensor, spacing
