#include "resources/ProgramIcon.h"

QIcon programIcon() {
    QIcon icon;
    for (const int size : programIconSizes)
        icon.addFile(QStringLiteral(":/images/icon%1.png").arg(size), QSize(size, size));
    return icon;
}
