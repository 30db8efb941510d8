#!/usr/bin/env python3
"""Independent reading of the sample C3D files (struct only), used once to produce the reference values
pasted into CaptureTest.cpp. Usage: c3d_reference.py FILE [frame marker ...]"""
import struct, sys

def read(path):
    d = open(path, 'rb').read()
    pstart = (d[0] - 1) * 512
    proc = d[pstart + 3]
    assert proc == 84, 'this script reads Intel files only'
    npts, nanalog, first, last = struct.unpack_from('<HHHH', d, 2)
    scale, = struct.unpack_from('<f', d, 12)
    dstart, = struct.unpack_from('<H', d, 16)
    rate, = struct.unpack_from('<f', d, 20)
    params = {}
    groups = {}
    p = pstart + 4
    while True:
        nlen = struct.unpack_from('<b', d, p)[0]
        gid = struct.unpack_from('<b', d, p + 1)[0]
        if nlen == 0:
            break
        name = d[p + 2:p + 2 + abs(nlen)].decode()
        q = p + 2 + abs(nlen)
        nxt, = struct.unpack_from('<h', d, q)
        if gid < 0:
            groups[-gid] = name
        else:
            t = struct.unpack_from('<b', d, q + 2)[0]
            nd = d[q + 3]
            dims = list(d[q + 4:q + 4 + nd])
            r = q + 4 + nd
            n = 1
            for x in dims:
                n *= x
            params[(gid, name)] = (t, dims, d[r:r + n * abs(t)])
        if nxt == 0:
            break
        p = q + nxt
    named = {}
    for (gid, name), v in params.items():
        named[groups.get(gid, '?') + ':' + name] = v
    return d, dict(npts=npts, nanalog=nanalog, first=first, last=last, scale=scale, dstart=dstart, rate=rate), named

def main():
    d, h, named = read(sys.argv[1])
    print(h)
    t, dims, raw = named['POINT:LABELS']
    labels = [raw[i * dims[0]:(i + 1) * dims[0]].decode().rstrip() for i in range(dims[1])]
    print('labels', labels[:h['npts']])
    for k in ('POINT:USED', 'POINT:RATE', 'POINT:SCALE', 'POINT:UNITS', 'POINT:FRAMES'):
        if k in named:
            print(k, named[k][0], named[k][1], named[k][2][:16])
    assert h['scale'] < 0, 'float storage expected'
    frames = h['last'] - h['first'] + 1
    stride = 4 * (4 * h['npts'] + h['nanalog'])
    base = (h['dstart'] - 1) * 512
    invalid = 0
    for f in range(frames):
        for m in range(h['npts']):
            x, y, z, res = struct.unpack_from('<4f', d, base + f * stride + m * 16)
            invalid += res < 0
    print('frames', frames, 'invalid share', invalid / (frames * h['npts']))
    args = sys.argv[2:]
    for i in range(0, len(args), 2):
        f, m = int(args[i]), int(args[i + 1])
        print('frame', f, 'marker', m, labels[m], struct.unpack_from('<4f', d, base + f * stride + m * 16))

main()
