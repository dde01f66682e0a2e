#!/usr/bin/env python3
"""Writes the fuzz seed corpora under fuzz/seeds/<target>/ (small valid files, each reaching a different
keyword or branch of its reader) and the malformed scenes under tests/data/malformed/ that the whole
program is run on under the sanitizers. Run again after changing it; the files are committed.
Usage: make_seeds.py [tiff|tga|skin|scene|animation|malformed ...] (all when none is named)."""
import os
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")


def write(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def pixels(count, channels):
    return bytes((17 + 37 * i) & 0xFF for i in range(count * channels))


# TIFF: header, data, directory, arrays; mirrors how the converters lay out small RGB files.
SHORT, LONG = 3, 4


def tiff(data, tags, big=False):
    e = ">" if big else "<"
    directory = 8 + len(data)
    out = bytearray(b"MM" if big else b"II")
    out += struct.pack(e + "HI", 42, directory)
    out += data
    out += struct.pack(e + "H", len(tags))
    arrays = bytearray()
    array_at = directory + 2 + 12 * len(tags) + 4
    for tag, kind, values in tags:
        size = 2 if kind == SHORT else 4
        packed = b"".join(struct.pack(e + ("H" if kind == SHORT else "I"), v) for v in values)
        out += struct.pack(e + "HHI", tag, kind, len(values))
        if len(packed) <= 4:
            out += packed.ljust(4, b"\0")
        else:
            out += struct.pack(e + "I", array_at + len(arrays))
            arrays += packed
    out += struct.pack(e + "I", 0)
    return bytes(out + arrays)


def rgb_tags(width, height, data_at, strips, rows_per_strip, bits=(8, 8, 8), photometric=2, alpha=False,
             count_kind=LONG):
    samples = 4 if alpha else 3
    offsets, lengths, at = [], [], data_at
    for s in strips:
        offsets.append(at)
        lengths.append(s)
        at += s
    tags = [(256, SHORT, [width]), (257, LONG, [height]),
            (258, SHORT, list(bits) + ([8] if alpha else [])),
            (262, SHORT, [photometric]), (273, LONG, offsets), (277, SHORT, [samples]),
            (278, LONG, [rows_per_strip]), (279, count_kind, lengths)]
    if alpha:
        tags.append((338, SHORT, [2]))
    return tags


def tiff_seeds():
    for big in (False, True):
        order = "be" if big else "le"
        data = pixels(4 * 3, 3)
        write("tiff", "rgb_one_strip_" + order, tiff(data, rgb_tags(4, 3, 8, [len(data)], 3), big))
        # Several strips, byte counts as SHORT inline (two fit the value field) and as an array.
        data = pixels(2 * 2, 3)
        write("tiff", "rgb_two_strips_short_" + order,
              tiff(data, rgb_tags(2, 2, 8, [6, 6], 1, count_kind=SHORT), big))
        data = pixels(3 * 3, 3)
        write("tiff", "rgb_three_strips_" + order, tiff(data, rgb_tags(3, 3, 8, [9, 9, 9], 1), big))
        data = pixels(3 * 2, 4)
        write("tiff", "rgba_extra_samples_" + order, tiff(data, rgb_tags(3, 2, 8, [len(data)], 2, alpha=True), big))
    data = pixels(2 * 2, 3)
    write("tiff", "grey_not_supported", tiff(data, rgb_tags(2, 2, 8, [12], 2, photometric=1)))
    write("tiff", "bits_not_8", tiff(data, rgb_tags(2, 2, 8, [12], 2, bits=(16, 16, 16))))
    one_bits = [t if t[0] != 258 else (258, SHORT, [8]) for t in rgb_tags(2, 2, 8, [12], 2)]
    write("tiff", "bits_single_value", tiff(data, one_bits))
    write("tiff", "strip_past_end", tiff(data, rgb_tags(2, 2, 8, [40], 2)))
    no_width = [t for t in rgb_tags(2, 2, 8, [12], 2) if t[0] != 256]
    write("tiff", "missing_width", tiff(data, no_width))
    no_photometric = [t for t in rgb_tags(2, 2, 8, [12], 2) if t[0] != 262]
    write("tiff", "missing_photometric", tiff(data, no_photometric))


def tga(image_type, width, height, body):
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, image_type, 0, 0, 0, 0, 0, width, height, 24, 0)
    return header + body


def tga_seeds():
    for image_type in (1, 2, 3, 9, 10, 11):
        write("tga", "type_%d" % image_type, tga(image_type, 3, 2, pixels(6, 3)))
    write("tga", "wide_row", tga(2, 9, 1, pixels(9, 3)))
    write("tga", "type_rejected", tga(4, 1, 1, pixels(1, 3)))
    write("tga", "short_body", tga(2, 4, 4, pixels(3, 3)))


def skin_seeds():
    write("skin", "rigid", '*BONE "Body" {\n VERTEX 0 : "Hip" 1.0\n VERTEX 1 : "Spine" 0.5\n'
          ' VERTEX 2 : "Head" 1.0\n}\n')
    write("skin", "blend", '*BONE "Body" {\n'
          '  *BLEND_VERTEX 3 {\n'
          '    *W 0 : "Hip" 0.2 *OFFSET 1 2 3\n'
          '    *W 1 : "Spine" 0.3 *OFFSET 1 2 3\n'
          '    *W 2 : "Head" 0.5 *OFFSET 1 2 3\n'
          '  }\n'
          '  VERTEX 1 : "Hip" 1.0\n'
          '  *BLEND_VERTEX 1 { *W 0 : "Bone with a long name and spaces" 1.0 *OFFSET 0 0 0 }\n'
          '}\n')
    write("skin", "blend_count_beyond_records", '*BONE "Body" {\n *BLEND_VERTEX 5 {\n'
          '  *W 0 : "Hip" 1.0 *OFFSET 0 0 0\n }\n VERTEX 1 : "Spine" 1.0\n}\n')
    write("skin", "two_meshes_and_unknown", '*BONE "Ghost" {\n VERTEX 0 : "Nobody" 1.0\n}\n'
          '*BONE "Arm" {\n VERTEX 0 : "Spine" 1.0\n VERTEX 1 : "Hip" 1.0\n VERTEX 2 : "Head" 1.0\n'
          ' VERTEX 3 : "Head" 1.0\n}\n'
          '*BONE "Body" {\n VERTEX 0 : "Tail" 1.0\n}\n')
    write("skin", "every_vertex", '*BONE "Body" {\n' +
          "".join(' VERTEX %d : "Spine" 0.%d\n' % (v, v + 1) for v in range(6)) + '}\n')


# A small complete scene: every block kind the reader knows, two meshes skinned to a bone chain, a
# textured material and an animation track. The malformed scenes are spoilt copies of it.
SCENE_TEXT = """*3DSMAX_ASCIIEXPORT\t200
*COMMENT "malformed-scene fixture"
*SCENE {
\t*SCENE_FILENAME "base.max"
\t*SCENE_FIRSTFRAME 0
\t*SCENE_LASTFRAME 10
\t*SCENE_FRAMESPEED 30
\t*SCENE_TICKSPERFRAME 160
\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000
\t*SCENE_AMBIENT_STATIC 0.2000\t0.2000\t0.2000
}
*MATERIAL_LIST {
\t*MATERIAL_COUNT 1
\t*MATERIAL 0 {
\t\t*MATERIAL_NAME "Skin"
\t\t*MATERIAL_CLASS "Multi/Sub-Object"
\t\t*MATERIAL_AMBIENT 0.1000\t0.1000\t0.1000
\t\t*MATERIAL_DIFFUSE 0.8000\t0.6000\t0.4000
\t\t*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000
\t\t*NUMSUBMTLS 2
\t\t*SUBMATERIAL 0 {
\t\t\t*MATERIAL_NAME "Front"
\t\t\t*MATERIAL_CLASS "Standard"
\t\t\t*MATERIAL_AMBIENT 0.1000\t0.2000\t0.3000
\t\t\t*MATERIAL_DIFFUSE 0.4000\t0.5000\t0.6000
\t\t\t*MATERIAL_SPECULAR 0.7000\t0.8000\t0.9000
\t\t\t*MAP_DIFFUSE {
\t\t\t\t*MAP_NAME "Front map"
\t\t\t\t*MAP_CLASS "Bitmap"
\t\t\t\t*BITMAP "@TGA@"
\t\t\t}
\t\t}
\t\t*SUBMATERIAL 1 {
\t\t\t*MATERIAL_NAME "Back"
\t\t\t*MATERIAL_CLASS "Standard"
\t\t\t*MATERIAL_AMBIENT 0.3000\t0.2000\t0.1000
\t\t\t*MATERIAL_DIFFUSE 0.6000\t0.5000\t0.4000
\t\t\t*MATERIAL_SPECULAR 0.9000\t0.8000\t0.7000
\t\t\t*MAP_DIFFUSE {
\t\t\t\t*MAP_NAME "Back map"
\t\t\t\t*MAP_CLASS "Bitmap"
\t\t\t\t*BITMAP "@TIF@"
\t\t\t}
\t\t}
\t}
}
@OBJECTS@*LIGHTOBJECT {
\t*NODE_NAME "Sun"
\t*LIGHT_TYPE Omni
\t*NODE_TM {
\t\t*NODE_NAME "Sun"
\t\t*TM_ROW0 1.0000\t0.0000\t0.0000
\t\t*TM_ROW1 0.0000\t1.0000\t0.0000
\t\t*TM_ROW2 0.0000\t0.0000\t1.0000
\t\t*TM_ROW3 0.0000\t-50.0000\t80.0000
\t\t*TM_POS 0.0000\t-50.0000\t80.0000
\t}
\t*LIGHT_SETTINGS {
\t\t*TIMEVALUE 0
\t\t*LIGHT_COLOR 1.0000\t1.0000\t1.0000
\t\t*LIGHT_INTENS 1.0000
\t}
}
*CAMERAOBJECT {
\t*NODE_NAME "Eye"
\t*CAMERA_TYPE Target
\t*NODE_TM {
\t\t*NODE_NAME "Eye"
\t\t*TM_ROW0 1.0000\t0.0000\t0.0000
\t\t*TM_ROW1 0.0000\t0.0000\t1.0000
\t\t*TM_ROW2 0.0000\t-1.0000\t0.0000
\t\t*TM_ROW3 0.0000\t-100.0000\t20.0000
\t\t*TM_POS 0.0000\t-100.0000\t20.0000
\t}
\t*CAMERA_SETTINGS {
\t\t*TIMEVALUE 0
\t\t*CAMERA_NEAR 1.0000
\t\t*CAMERA_FAR 1000.0000
\t\t*CAMERA_FOV 0.7854
\t}
}
"""


def node_tm(name, position, depth=1):
    t = "\t" * depth
    x, y, z = position
    return (t + "*NODE_TM {\n" + t + '\t*NODE_NAME "%s"\n' % name +
            t + "\t*TM_ROW0 1.0000\t0.0000\t0.0000\n" + t + "\t*TM_ROW1 0.0000\t1.0000\t0.0000\n" +
            t + "\t*TM_ROW2 0.0000\t0.0000\t1.0000\n" + t + "\t*TM_ROW3 %.4f\t%.4f\t%.4f\n" % (x, y, z) +
            t + "\t*TM_POS %.4f\t%.4f\t%.4f\n" % (x, y, z) +
            t + "\t*TM_ROTAXIS 0.0000\t0.0000\t1.0000\n" + t + "\t*TM_ROTANGLE 0.0000\n" + t + "}\n")


def geom_object(name, parent, position, vertex_count=None, face_count=None, with_mesh=True):
    x, y, z = position
    text = "*GEOMOBJECT {\n\t*NODE_NAME \"%s\"\n" % name
    if parent:
        text += '\t*NODE_PARENT "%s"\n' % parent
    text += node_tm(name, position)
    if with_mesh:
        vertices = [(x, y, z), (x + 10, y, z), (x + 10, y + 10, z), (x, y + 10, z)]
        faces = [(0, 1, 2, 0), (0, 2, 3, 1)]
        text += "\t*MESH {\n\t\t*TIMEVALUE 0\n"
        text += "\t\t*MESH_NUMVERTEX %d\n" % (vertex_count if vertex_count is not None else len(vertices))
        text += "\t\t*MESH_NUMFACES %d\n" % (face_count if face_count is not None else len(faces))
        text += "\t\t*MESH_VERTEX_LIST {\n"
        for i, v in enumerate(vertices):
            text += "\t\t\t*MESH_VERTEX %d\t%.4f\t%.4f\t%.4f\n" % ((i,) + v)
        text += "\t\t}\n\t\t*MESH_FACE_LIST {\n"
        for i, (a, b, c, m) in enumerate(faces):
            text += ("\t\t\t*MESH_FACE %d:    A: %d B: %d C: %d AB:    1 BC:    1 CA:    0\t"
                     "*MESH_SMOOTHING 1 \t*MESH_MTLID %d\n" % (i, a, b, c, m))
        text += "\t\t}\n\t\t*MESH_NUMTVERTEX 4\n\t\t*MESH_TVERTLIST {\n"
        for i, (u, v) in enumerate([(0, 0), (1, 0), (1, 1), (0, 1)]):
            text += "\t\t\t*MESH_TVERT %d\t%.4f\t%.4f\t0.0000\n" % (i, u, v)
        text += "\t\t}\n\t\t*MESH_NUMTVFACES 2\n\t\t*MESH_TFACELIST {\n"
        text += "\t\t\t*MESH_TFACE 0\t0\t1\t2\n\t\t\t*MESH_TFACE 1\t0\t2\t3\n\t\t}\n"
        text += "\t\t*MESH_NUMCVERTEX 0\n\t\t*MESH_NORMALS {\n"
        for i, (a, b, c, m) in enumerate(faces):
            text += "\t\t\t*MESH_FACENORMAL %d\t0.0000\t0.0000\t1.0000\n" % i
            for corner in (a, b, c):
                text += "\t\t\t\t*MESH_VERTEXNORMAL %d\t0.0000\t0.0000\t1.0000\n" % corner
        text += "\t\t}\n\t}\n"
    text += "\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n"
    text += ("\t*TM_ANIMATION {\n\t\t*NODE_NAME \"%s\"\n\t\t*CONTROL_POS_TRACK {\n"
             "\t\t\t*CONTROL_POS_SAMPLE 0\t%.4f\t%.4f\t%.4f\n\t\t\t*CONTROL_POS_SAMPLE 1600\t%.4f\t%.4f\t%.4f\n"
             "\t\t}\n\t\t*CONTROL_ROT_TRACK {\n\t\t\t*CONTROL_ROT_SAMPLE 0\t0.0000\t0.0000\t1.0000\t0.0000\n"
             "\t\t\t*CONTROL_ROT_SAMPLE 1600\t0.0000\t0.0000\t1.0000\t0.5000\n\t\t}\n\t}\n"
             % (name, x, y, z, x, y, z + 5))
    text += "\t*MATERIAL_REF 0\n}\n"
    return text


def scene(objects=None, tga="front.tga", tif="back.tif"):
    if objects is None:
        objects = (geom_object("Body", "", (0, 0, 0)) + geom_object("Arm", "Body", (20, 0, 0)) +
                   geom_object("Hip", "", (0, 0, 10), with_mesh=False) +
                   geom_object("Spine", "Hip", (0, 0, 20), with_mesh=False))
    return SCENE_TEXT.replace("@OBJECTS@", objects).replace("@TGA@", tga).replace("@TIF@", tif)


SIDE_FILE = ('*BONE "Body" {\n VERTEX 0 : "Hip" 1.0\n VERTEX 1 : "Spine" 1.0\n'
             ' *BLEND_VERTEX 2 {\n  *W 0 : "Hip" 0.5 *OFFSET 0 0 0\n  *W 1 : "Spine" 0.5 *OFFSET 0 0 0\n }\n'
             ' VERTEX 3 : "Hip" 1.0\n}\n*BONE "Arm" {\n VERTEX 0 : "Spine" 1.0\n}\n')


def scene_seeds():
    write("scene", "complete.ase", scene())
    write("scene", "parent_listed_first.ase",
          scene(geom_object("Child", "Root", (5, 5, 5)) + geom_object("Root", "", (0, 0, 0))))
    write("scene", "header_only.ase", "*3DSMAX_ASCIIEXPORT\t200\n")
    # Files with a byte-order mark are decoded before any reader sees them; the odd byte at the end is a
    # code unit cut in half.
    write("scene", "utf16_le.ase", b"\xff\xfe" + scene().encode("utf-16-le") + b"\x41")
    write("scene", "utf16_be.ase", b"\xfe\xff" + scene().encode("utf-16-be"))
    # The keywords the complete scene leaves out: the other two maps, emissive colour, scale rows.
    write("scene", "maps_and_scale.ase", scene()
          .replace("*MAP_DIFFUSE {", "*MAP_AMBIENT {", 1)
          .replace("*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000\n",
                   "*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000\n\t\t*MATERIAL_EMISSIVE 0.1000\t0.0000\t0.0000\n"
                   "\t\t*MAP_SPECULAR {\n\t\t\t*BITMAP \"C:\\maps\\shine.tif\"\n\t\t}\n", 1)
          .replace("*TM_ROTANGLE 0.0000\n", "*TM_ROTANGLE 0.5000\n\t\t*TM_SCALE 2.0000\t1.0000\t1.0000\n"
                   "\t\t*TM_SCALEAXIS 0.0000\t0.0000\t1.0000\n\t\t*TM_SCALEAXISANG 0.0000\n", 1))


    # Face lines without their optional fields or with them in another order, and an object without a name.
    write("scene", "optional_face_fields.ase", scene()
          .replace("AB:    1 BC:    1 CA:    0\t*MESH_SMOOTHING 1 \t", "", 1)
          .replace("*MESH_FACE 1:    A: 0 B: 2 C: 3 AB:    1 BC:    1 CA:    0\t*MESH_SMOOTHING 1 \t*MESH_MTLID 1",
                   "*MESH_FACE 1: *MESH_MTLID 1 *MESH_SMOOTHING 1,2 C: 3 A: 0 B: 2", 1)
          .replace('*NODE_NAME "Hip"', '*NODE_NAME ""', 1))


def animation_seeds():
    write("animation", "complete.ase", scene())
    keys = ("*3DSMAX_ASCIIEXPORT 200\n*SCENE {\n *SCENE_FIRSTFRAME 0\n *SCENE_LASTFRAME 100\n"
            " *SCENE_FRAMESPEED 30\n *SCENE_TICKSPERFRAME 160\n}\n*GEOMOBJECT {\n *NODE_NAME \"Box\"\n"
            " *TM_ANIMATION {\n  *NODE_NAME \"Box\"\n")
    for kind, rot, scale in (("TCB", "*CONTROL_TCB_ROT_KEY", "*CONTROL_TCB_SCALE_KEY"),
                             ("BEZIER", "*CONTROL_ROT_KEY", "*CONTROL_BEZIER_SCALE_KEY"),
                             ("LINEAR", "*CONTROL_ROT_KEY", "*CONTROL_SCALE_KEY")):
        text = keys
        pos_key = {"TCB": "*CONTROL_TCB_POS_KEY", "BEZIER": "*CONTROL_BEZIER_POS_KEY",
                   "LINEAR": "*CONTROL_POS_KEY"}[kind]
        text += "  *CONTROL_POS_%s {\n   %s 0 1.0 2.0 3.0\n   %s 800 4.0 5.0 6.0\n  }\n" % (kind, pos_key, pos_key)
        text += "  *CONTROL_ROT_%s {\n   %s 0 0.0 0.0 1.0 0.1\n   %s 800 1.0 0.0 0.0 0.2\n  }\n" % (kind, rot, rot)
        text += ("  *CONTROL_SCALE_%s {\n   %s 0 1.0 1.0 1.0 0.0 0.0 1.0 0.0\n  }\n" % (kind, scale) +
                 " }\n}\n")
        write("animation", "controllers_%s.ase" % kind.lower(), text)
    write("animation", "samples_and_unknown_block.ase",
          keys + "  *CONTROL_POS_TRACK {\n   *CONTROL_POS_SAMPLE 0 1 2 3\n   *CONTROL_UNKNOWN { 1 2 }\n  }\n"
          "  *CONTROL_ROT_TRACK {\n   *CONTROL_ROT_SAMPLE 0 0 0 1 0.5\n   *CONTROL_ROT_SAMPLE 160 0 1 0 0.5\n  }\n"
          "  *CONTROL_SCALE_TRACK {\n   *CONTROL_SCALE_SAMPLE 0 1 1 1 0 0 1 0\n  }\n }\n}\n")


def malformed():
    folder = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "data", "malformed")
    os.makedirs(folder, exist_ok=True)

    def put(name, data):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data.encode("latin-1") if isinstance(data, str) else data)

    base = scene()
    cut = base.index("*MESH_VERTEX 2")
    put("truncated.ase", base[:cut + 20])
    put("wrong_header.ase", base.replace("*3DSMAX_ASCIIEXPORT", "*3DSMAX_BINARYEXPORT", 1))
    put("counts_beyond_data.ase",
        scene(geom_object("Body", "", (0, 0, 0), vertex_count=65535, face_count=65535) +
              geom_object("Huge", "", (0, 0, 0), vertex_count=2000000000, face_count=-5))
        .replace("*MATERIAL_COUNT 1", "*MATERIAL_COUNT 255").replace("*NUMSUBMTLS 2", "*NUMSUBMTLS 250")
        .replace("*MESH_NUMTVERTEX 4", "*MESH_NUMTVERTEX 99999"))
    put("unbalanced_braces.ase",
        base.replace("*MESH_FACE_LIST {", "*MESH_FACE_LIST { { {", 1).replace("\t\t}\n\t}\n\t*PROP", "\t*PROP", 1)
        + "}\n}\n{\n{\n*GEOMOBJECT {\n")
    put("unclosed_quote.ase", base.replace('*NODE_NAME "Arm"', '*NODE_NAME "Arm', 1)
        .replace('*MATERIAL_NAME "Back"', '*MATERIAL_NAME "Back' + "x" * 300, 1) + '*COMMENT "never closed')
    put("parent_cycle.ase",
        scene(geom_object("A", "C", (0, 0, 0)) + geom_object("B", "A", (20, 0, 0)) +
              geom_object("C", "B", (40, 0, 0)) + geom_object("Self", "Self", (60, 0, 0))))
    put("missing_bones.ase", base)
    put("missing_bones.txt", SIDE_FILE.replace('"Spine"', '"NoSuchBone"', 1) +
        '*BONE "Arm" {\n *BLEND_VERTEX 2 {\n  *W 0 : "Hip" 0.5 *OFFSET 0 0 0\n  *W 1 : "Ghost" 0.5 *OFFSET 0 0 0\n }\n}\n')
    put("lying_images.ase", scene(tga="lying.tga", tif="lying.tif"))
    # A TGA whose header claims 4096 x 4096 pixels over six, and a TIFF claiming 60000 x 60000 pixels
    # with one short strip.
    put("lying.tga", tga(2, 4096, 4096, pixels(6, 3)))
    data = pixels(4, 3)
    put("lying.tif", tiff(data, rgb_tags(60000, 60000, 8, [len(data)], 60000)))


def main():
    targets = sys.argv[1:] or ["tiff", "tga", "skin", "scene", "animation", "malformed"]
    for target in targets:
        if target == "malformed":
            malformed()
        else:
            globals()[target + "_seeds"]()


if __name__ == "__main__":
    main()
