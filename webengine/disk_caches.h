#pragma once

namespace waytrace {

// Keeps the shader caches of Qt, of the browser engine's GPU process and of Mesa off the disk,
// so that a session leaves nothing under the user's home. Call before the application object
// exists: the engine and Mesa read these settings when they start.
void keepCachesOffDisk();

} // namespace waytrace
