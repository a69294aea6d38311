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
        vertices = struct.unpack(">H", f.read(6)[4:6])[0]
    reader = tinyobjloader.ObjReader()
    config = tinyobjloader.ObjReaderConfig()
    config.triangulate = False
    if not reader.ParseFromFile(f"{stem}.obj", config) or len(reader.GetAttrib().vertices) != 3 * vertices:
        failures.append(f"tinyobjloader: {stem}.obj")
    if stem.endswith("-nolines"):  # meshio takes no edge element
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
