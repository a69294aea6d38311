# Reads vxtool's exports with readers this project does not use to write them, and checks what
# they see against the source model: read_exports.py DIR (files made by check-exports).
# Runs under /usr/bin/python3, where Debian's tinyobjloader, numpy-stl and meshio live.
import sys
import warnings

warnings.simplefilter("ignore", FutureWarning)

import meshio
import numpy
import tinyobjloader
from stl import mesh as stlmesh

warnings.simplefilter("ignore", FutureWarning)
folder = sys.argv[1]
failures = []


def expect(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


# The cube of edge 200 around the origin, its six faces wound counter-clockwise seen from outside,
# and one line between opposite corners; exported in y-up coordinates.
corners = {(x, y, z) for x in (-100, 100) for y in (-100, 100) for z in (-100, 100)}


def outward(normals, centres):
    return all(numpy.dot(n, c) > 0 for n, c in zip(normals, centres))


def check_obj():
    reader = tinyobjloader.ObjReader()
    config = tinyobjloader.ObjReaderConfig()
    config.triangulate = False
    expect(reader.ParseFromFile(f"{folder}/cube.obj", config), "tinyobjloader reads the OBJ")
    attrib = reader.GetAttrib()
    points = numpy.array(attrib.vertices).reshape(-1, 3)
    expect({tuple(int(c) for c in p) for p in points} == corners, "OBJ: the eight corners, exactly")
    shapes = reader.GetShapes()
    faces = sum(len(s.mesh.num_face_vertices) for s in shapes)
    quads = all(n == 4 for s in shapes for n in s.mesh.num_face_vertices)
    expect(faces == 6 and quads, "OBJ: six quads")
    normals, centres = [], []
    for s in shapes:
        idx = [i.vertex_index for i in s.mesh.indices]
        for f in range(len(idx) // 4):
            q = points[idx[4 * f:4 * f + 4]]
            normals.append(numpy.cross(q[1] - q[0], q[2] - q[0]))
            centres.append(q.mean(axis=0))
    expect(outward(normals, centres), "OBJ: counter-clockwise corners face outward")


def check_stl(name):
    m = stlmesh.Mesh.from_file(f"{folder}/{name}")
    expect(len(m.vectors) == 12, f"numpy-stl: {name} has twelve triangles")
    centres = m.vectors.mean(axis=1)
    expect(outward(m.normals, centres), f"numpy-stl: {name} stored normals face outward")
    expect(outward(numpy.cross(m.v1 - m.v0, m.v2 - m.v0), centres), f"numpy-stl: {name} winding faces outward")
    expect({tuple(int(c) for c in p) for p in m.points.reshape(-1, 3)} == corners, f"numpy-stl: {name} corners")


def check_ply(name):
    m = meshio.read(f"{folder}/{name}")
    expect({tuple(int(c) for c in p) for p in m.points} == corners and len(m.points) == 8,
           f"meshio: {name} has the eight corners")
    quads = [c for c in m.cells if c.type == "quad"]
    expect(len(quads) == 1 and len(quads[0].data) == 6, f"meshio: {name} has six quads")
    q = m.points[quads[0].data]
    normals = numpy.cross(q[:, 1] - q[:, 0], q[:, 2] - q[:, 0])
    expect(outward(normals, q.mean(axis=1)), f"meshio: {name} faces outward")


# The painted cube: faces 1-2 dark red, 3-4 dark green, 5-6 blue, in the file's order.
painted = [(179, 38, 30)] * 2 + [(78, 154, 46)] * 2 + [(36, 102, 184)] * 2


def check_obj_colours():
    reader = tinyobjloader.ObjReader()
    config = tinyobjloader.ObjReaderConfig()
    config.triangulate = False
    expect(reader.ParseFromFile(f"{folder}/painted.obj", config) and not reader.Warning(),
           "tinyobjloader reads the painted OBJ and its materials without a warning")
    kd = [tuple(round(c * 255) for c in m.diffuse) for m in reader.GetMaterials()]
    faces = [kd[i] for s in reader.GetShapes() for i in s.mesh.material_ids]
    expect(faces == painted, f"OBJ: each face's material has its colour (saw {faces})")
    expect(len(kd) == 3, "OBJ: one material per colour")


def check_ply_colours(name):
    m = meshio.read(f"{folder}/{name}")
    channels = [m.cell_data.get(c, [[]])[0] for c in ("red", "green", "blue")]
    faces = [tuple(int(c[i]) for c in channels) for i in range(len(channels[0]))]
    expect(faces == painted, f"meshio: {name} has each face's colour (saw {faces})")


# meshio 5.0 reads a binary face element as if each property were a column of its own, which no
# face colour fits: the binary file's six quad records are read here as the header declares them.
def check_binary_ply_colours(name):
    with open(f"{folder}/{name}", "rb") as f:
        data = f.read()
    header, body = data.split(b"end_header\n", 1)
    expect(b"property list uchar int vertex_indices\nproperty uchar red\nproperty uchar green\n"
           b"property uchar blue\n" in header, f"PLY: {name} declares a colour per face")
    faces = numpy.frombuffer(body[8 * 12:], dtype=[("n", "u1"), ("corners", "<i4", 4), ("rgb", "u1", 3)])
    expect(len(faces) == 6 and all(faces["n"] == 4), f"PLY: {name} has six quad records after the corners")
    seen = [tuple(int(c) for c in rgb) for rgb in faces["rgb"]]
    expect(seen == painted, f"PLY: {name} has each face's colour (saw {seen})")


check_obj()
check_obj_colours()
check_binary_ply_colours("painted.ply")
check_ply_colours("painted-ascii.ply")
check_stl("cube.stl")
check_stl("cube-ascii.stl")
check_ply("cube-nolines.ply")
check_ply("cube-nolines-ascii.ply")
print(f"{len(failures)} failed" if failures else "all readers agree")
sys.exit(1 if failures else 0)
