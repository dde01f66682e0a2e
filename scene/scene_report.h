// The scene report "test.txt": a plain-text dump of the material table, cameras, lights, top objects and
// geometric objects of a loaded scene, written once per load after the renderable build. Floats are
// printed as stored (the file's own axis order) with six decimals; write errors are ignored.
#pragma once

#include <cstdio>

struct AseScene;
struct NodeTm;

// Writes the whole report to scene->report_file; nothing when there is no report file.
void WriteSceneReport(const AseScene* scene);
// Writes one node transform; nothing when the stream or the record is missing.
void WriteNodeTm(FILE* stream, const NodeTm* tm);
