#include "program_icon.h"

namespace waytrace {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addFile(QStringLiteral(":/waytrace/images/waytrace-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}

QPixmap logoPicture()
{
    return QPixmap(QStringLiteral(":/waytrace/images/logo.png"));
}

} // namespace waytrace
