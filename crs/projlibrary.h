#pragma once

#include <QString>

// PROJ is loaded when a coordinate system is first needed, not when the
// program starts: commands that never reproject start without it and its
// own libraries. The proj_* functions the coordinate code calls forward to
// the library once it is loaded.

// Whether PROJ is loaded (loading it on the first call); false, with the
// reason in *error, when it cannot be. A proj_* call without PROJ returns
// nothing (a null object, 0).
bool projLibraryLoaded(QString* error = nullptr);
