#!/usr/bin/python3
"""Prints what segyio reads from a SEG-Y file as one JSON object.

usage: segyio_dump.py FILE big|little

Output: {"ok": true, "strict": bool, "tracecount": n, "format": code,
         "firstTrace": offset, "traceBytes": n, "samples": n,
         "binary": {"3201": v, ...},
         "traces": [{"offset": o, "fields": {"1": v, ...}, "digest": hex}, ...]}
or {"ok": false, "error": text} when segyio refuses the file. segyio may
also abort on some inputs; the caller treats a missing object as a refusal.

"firstTrace" and "traceBytes" restate segyio's own layout rule (the first
trace after the extended headers that the binary header counts, every trace
as long as the binary header says) so the caller can pair segyio's traces
with its own by file offset. "digest" is the SHA-256 of the trace's samples
as segyio decodes them (native byte order, segyio's own sample type).
"""
import hashlib
import json
import os
import sys
import warnings

import segyio


def dump(path, endian):
    last_error = None
    for strict in (True, False):
        try:
            with warnings.catch_warnings():
                warnings.simplefilter("ignore")
                with segyio.open(path, ignore_geometry=True, endian=endian, strict=strict) as f:
                    return read(f, strict, path)
        except Exception as e:  # segyio reports refusals as various errors
            last_error = "%s: %s" % (type(e).__name__, e)
    return {"ok": False, "error": last_error}


def read(f, strict, path):
    binary = {str(int(k)): int(v) for k, v in f.bin.items()}
    fields = sorted(int(k) for k in segyio.TraceField.enums())
    count = f.tracecount
    samples = len(f.samples)
    item = f.trace.raw[0].dtype.itemsize if count else 0
    first = 3600 + 3200 * int(f.ext_headers)
    # segyio's trace length follows its own format table (unknown codes get
    # some size of its choosing); when the file divides evenly, that is it.
    rest = os.path.getsize(path) - first
    if count and rest > 0 and rest % count == 0:
        trace_bytes = rest // count
    else:
        trace_bytes = 240 + samples * item
    traces = []
    for i in range(count):
        header = f.header[i]
        values = {str(b): int(header[b]) for b in fields}
        digest = hashlib.sha256(f.trace.raw[i].tobytes()).hexdigest()
        traces.append({"offset": first + i * trace_bytes, "fields": values, "digest": digest})
    return {"ok": True, "strict": strict, "tracecount": count, "format": int(f.format if isinstance(f.format, int) else binary["3225"]),
            "firstTrace": first, "traceBytes": trace_bytes, "samples": samples,
            "binary": binary, "traces": traces}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in ("big", "little"):
        sys.stderr.write(__doc__)
        return 2
    result = dump(sys.argv[1], sys.argv[2])
    sys.stdout.write(json.dumps(result))
    sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
