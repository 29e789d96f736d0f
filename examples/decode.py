"""Decodes the first message of a BUFR file with an ecCodes definitions tree and prints it.

python examples/decode.py examples/sample.bufr [/usr/share/eccodes/definitions]
"""

import sys
from pathlib import Path

import _mervane

path = Path(sys.argv[1])
root = sys.argv[2] if len(sys.argv) > 2 else "/usr/share/eccodes/definitions"
data = path.read_bytes()
message = _mervane.parse_all_bytes(data)[0]
print(message)
for value in _mervane.decode_values_with_definitions(data, root):
    print(f"{value.descriptor:06}  {value.name:<32.32}  {value.data!r}")
