# Reads the exports of the random sample (made by check-exports) with readers this project does not
# use to write them: each must read without an error and see every vertex. read_sample.py DIR
import glob
import struct
import sys
import warnings

warnings.simplefilter("ignore", FutureWarning)

import meshio
import tinyobjloader
from stl import mesh as stlmesh

failures = []
for source in sorted(glob.glob(f"{sys.argv[1]}/sample-*.vx")):
    stem = source[:-3]
    with open(source, "rb") as f:
        head = f.read(12)
        vertices, polygons = struct.unpack(">HH", head[4:8])
        f.seek(12 + 12 * vertices + 12 * polygons + 8 * polygons)
        flags = struct.unpack(f"<{polygons}H", f.read(2 * polygons))
    coloured = any(flag & 0x1F for flag in flags)
    reader = tinyobjloader.ObjReader()
    config = tinyobjloader.ObjReaderConfig()
    config.triangulate = False
    if not reader.ParseFromFile(f"{stem}.obj", config) or len(reader.GetAttrib().vertices) != 3 * vertices:
        failures.append(f"tinyobjloader: {stem}.obj")
    # meshio 5.0 takes no edge element, and no face colours but those of faces grouped by corner
    # count in a text file (the painted cube of read_exports.py is such a file)
    if stem.endswith("-nolines") and not coloured:
        for ply in (f"{stem}.ply", f"{stem}-ascii.ply"):
            try:
                if len(meshio.read(ply).points) != vertices:
                    failures.append(f"meshio: {ply} lost vertices")
            except Exception as e:
                failures.append(f"meshio: {ply}: {e}")
    try:
        stlmesh.Mesh.from_file(f"{stem}.stl")
    except Exception as e:
        failures.append(f"numpy-stl: {stem}.stl: {e}")
for failure in failures:
    print("FAIL " + failure)
print(f"{len(failures)} failed" if failures else "the sample reads cleanly with every reader")
sys.exit(1 if failures else 0)
