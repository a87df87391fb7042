# Prints the trace headers of a SEG-Y file as segyio reads them: a line of
# start bytes, then one line of values per trace, separated by commas.
# An optional second argument gives the byte order ("big" or "little").
import sys

import segyio

endian = sys.argv[2] if len(sys.argv) > 2 else "big"
with segyio.open(sys.argv[1], ignore_geometry=True, strict=False, endian=endian) as f:
    keys = sorted(f.header[0].keys(), key=int) if f.tracecount else []
    print(",".join(str(int(k)) for k in keys))
    for header in f.header:
        print(",".join(str(header[k]) for k in keys))
