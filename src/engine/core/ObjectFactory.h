#pragma once
// The object factory: reads a stored object's type tag, creates an object of
// the matching class and lets it read the rest of its record.
//
// The classes of the engine core (tags 1 empty object, 2 group, 3 floor
// grid) are built in. Meshes (tag 4) and figures (tag 6) live in parts of the
// engine built beside the core: they register their creators here at engine
// start-up, as tests register stand-ins. Tag 5 (the scene document) is never
// a child record: the scene reads its own record.
#include "engine/core/MObject.h"

namespace engine {

class QFile;

// Makes a new object of one class with new (std::nothrow); null when memory
// runs out. The object may record a failure while it is constructed.
using ObjectCreator = MObject* (*)();

// Sets the creator of a type tag (null takes it away). The built-in tags can
// be replaced too, which only tests do.
void RegisterObjectCreator(int typeTag, ObjectCreator creator);
// The creator of a tag, or null when the tag is unknown.
ObjectCreator FindObjectCreator(int typeTag);

// Reads one object record: the type tag, then the class's ReadFrom. Answers
// the new object, or null with the failure state set: an unknown tag (the
// scene's 5 included) or a corrupt record is a load failure, running out of
// memory reason 1. A half-read object is deleted.
MObject* ReadObject(QFile& file);

// The element pools of meshes are compacted when a scene or the engine
// clipboard goes away; the mesh part of the engine installs the operation.
using PoolCompactor = void (*)();
void SetElementPoolCompactor(PoolCompactor compactor);
// Runs the installed compactor; nothing when none is installed.
void CompactElementPoolsIfInstalled();

}  // namespace engine
