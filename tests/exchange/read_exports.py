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


check_obj()
check_stl("cube.stl")
check_stl("cube-ascii.stl")
check_ply("cube-nolines.ply")
check_ply("cube-nolines-ascii.ply")
print(f"{len(failures)} failed" if failures else "all readers agree")
sys.exit(1 if failures else 0)
