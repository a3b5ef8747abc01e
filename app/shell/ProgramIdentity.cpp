#include "app/shell/ProgramIdentity.h"

#include <QGuiApplication>

#include "app/shell/BuildInfo.h"

namespace hx {

void SetProgramIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Quillstone"));
    QCoreApplication::setApplicationName(QStringLiteral("Hexaloom"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopId));
}

}  // namespace hx
