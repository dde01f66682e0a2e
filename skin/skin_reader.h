// The skin weight side file: for each "*BONE" section naming a mesh of the scene, the bone influences of
// its vertices, filled in record order, and a weight report "<mesh>.txt" per section read to its end
// (under another name where that one would replace a file the scene reads).
#pragma once

struct AseScene;
struct GeomObject;
class TextStream;

// False when the side file (the scene path with its last four characters replaced by ".txt") does not
// exist, or when the path is too short to have four characters replaced (said in a "Report" box); true
// otherwise. Paths of any length the system opens work.
bool LoadSkinWeights(AseScene* scene, const char* scene_path);
// One section for one mesh: true when it was read to its end and its report written; false on an
// unknown bone ("Fail To Search Bone : %s") or at the end of the file.
bool ReadBoneSection(AseScene* scene, TextStream& stream, GeomObject* mesh);
