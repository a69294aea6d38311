# Writes random models of every kind the editor holds as .vx files: random_models.py DIR COUNT SEED.
# Vertices small, repeated and at the ends of the 32-bit range; triangles and quads, slots repeated;
# flags of every value, colours often; lines; vertices nothing uses. Every third model has no lines, for readers
# that take no PLY edge element. Normals are left zero: vxtool convert works them out.
import random
import struct
import sys

folder, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(seed)


def coordinate():
    kind = rng.randrange(10)
    if kind == 0:
        return rng.randint(-2**31, 2**31 - 1)
    if kind == 1:
        return rng.choice((-2**31, 2**31 - 1))
    return rng.randint(-500, 500)


for n in range(count):
    vertices = []
    for _ in range(rng.randint(1, 40)):
        repeat = vertices and rng.randrange(10) == 0
        vertices.append(rng.choice(vertices) if repeat else (coordinate(), coordinate(), coordinate()))
    slot = lambda: rng.randrange(len(vertices))
    polygons = []
    for _ in range(rng.randint(0, 40)):
        slots = [slot() for _ in range(4)]
        if rng.randrange(2):
            slots[3] = slots[2]
        kind = rng.randrange(10)
        colour = rng.randint(1, 31) | (0x8000 if kind == 7 else 0)
        polygons.append((slots, 0x8000 if kind < 3 else 0 if kind < 6 else colour if kind < 9 else rng.randint(1, 0xFFFF)))
    lines = [] if n % 3 == 0 else [(slot(), slot()) for _ in range(rng.randint(0, 20))]
    out = b"VTXF" + struct.pack(">HHH", len(vertices), len(polygons), len(lines)) + bytes([len(lines) & 255] * 2)
    out += b"".join(struct.pack("<3i", *v) for v in vertices)
    out += bytes(12 * len(polygons))
    out += b"".join(struct.pack("<4H", *s) for s, _ in polygons)
    out += b"".join(struct.pack("<H", f) for _, f in polygons)
    out += b"".join(struct.pack("<2H", *line) for line in lines)
    suffix = "-nolines" if not lines else ""
    with open(f"{folder}/sample-{n:02d}{suffix}.vx", "wb") as f:
        f.write(out)
