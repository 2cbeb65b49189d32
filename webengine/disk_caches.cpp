#include "disk_caches.h"

#include <QByteArray>
#include <QCoreApplication>

namespace waytrace {

void keepCachesOffDisk()
{
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);

    // The engine reads its switches from this variable; its GPU process inherits the rest.
    const char* const engineFlags = "QTWEBENGINE_CHROMIUM_FLAGS";
    QByteArray flags = qgetenv(engineFlags);
    if (!flags.contains("--disable-gpu-shader-disk-cache"))
        flags += (flags.isEmpty() ? "" : " ") + QByteArray("--disable-gpu-shader-disk-cache");
    qputenv(engineFlags, flags);
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    qputenv("MESA_GLSL_CACHE_DISABLE", "true");
}

} // namespace waytrace
