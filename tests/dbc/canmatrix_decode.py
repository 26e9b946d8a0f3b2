# Decodes frames with canmatrix, the independent DBC implementation the
# decoder is checked against. Usage: canmatrix_decode.py DBC FRAMES OUT
# FRAMES has one frame a line, "ID EXT HEXDATA" (EXT 1 for 29-bit); OUT gets
# one JSON object a line: {"SIGNAL": [repr(physical), label or null], ...}.
# Exits 77 when canmatrix is not installed.
import json
import sys

try:
    import canmatrix
    import canmatrix.formats
except ImportError:
    sys.exit(77)

db = canmatrix.formats.loadp_flat(sys.argv[1])
with open(sys.argv[2]) as frames, open(sys.argv[3], "w") as out:
    for line in frames:
        ident, ext, data = line.split()
        frame = db.frame_by_id(canmatrix.ArbitrationId(int(ident), extended=ext == "1"))
        decoded = {}
        for name, value in frame.decode(bytearray.fromhex(data)).items():
            label = None if value.signal.is_float else value.signal.values.get(value.raw_value)
            decoded[name] = [repr(float(value.phys_value)), label]
        out.write(json.dumps(decoded) + "\n")
