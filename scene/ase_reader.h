// The scene importer's entry: LoadScene reads one ".ase" text scene into a fresh AseScene in a single
// forward pass over its tokens, then runs the skin-weight load, the renderable build and the scene
// report "test.txt" (written into the working directory, under another name where that one would replace
// a file the scene reads; a file without the header writes none). Unknown keywords and blocks are skipped; on a
// truncated or malformed file it keeps what was read so far, never reads or writes out of bounds and
// never recurses without bound. Meshes whose counts do not fit the format's 16-bit indices are dropped.
#pragma once

struct AseScene;

// True when the whole file was read and the post-load steps ran. The scene's loaded flag tells the
// caller whether the file could be opened at all (a wrong header still counts as opened).
bool LoadScene(AseScene* scene, const char* path);

// The top-level loop over the open scene_file; returns false at the end of the file, its only way out.
bool ReadSceneBlocks(AseScene* scene);

// Consumes one brace-delimited block unread: false at the end of the file, true after its closing brace.
bool SkipBlock(AseScene* scene);
