#include "gui/base/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tunvex {

bool InstallQtJapanese() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    return translator->load(QStringLiteral("qtbase_ja"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
           QCoreApplication::installTranslator(translator);
}

}  // namespace tunvex
