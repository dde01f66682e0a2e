// The skin weight side file: for each "*BONE" section naming a mesh of the scene, the bone influences of
// its vertices, filled in record order, and a weight report "<mesh>.txt" per section read to its end.
#pragma once

struct AseScene;
struct GeomObject;
class TextStream;

// False when the side file (the scene path with its last four characters replaced by ".txt") does not
// exist; true otherwise.
bool LoadSkinWeights(AseScene* scene, const char* scene_path);
// One section for one mesh: true when it was read to its end and its report written; false on an
// unknown bone ("Fail To Search Bone : %s") or at the end of the file.
bool ReadBoneSection(AseScene* scene, TextStream& stream, GeomObject* mesh);
