#!/bin/sh
# Prints the CPU temperature in degrees Celsius, one decimal: the first
# thermal zone the kernel offers. A machine without one (a virtual machine,
# say) gets a made-up reading that drifts with the clock, so the example
# still shows something.
zone=/sys/class/thermal/thermal_zone0/temp
if [ -r "$zone" ]; then
  awk '{ printf "%.1f\n", $1 / 1000 }' "$zone"
else
  awk -v s="$(date +%S)" 'BEGIN { printf "%.1f\n", 45 + (s % 20) / 4 }'
fi
