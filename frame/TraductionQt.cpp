#include "frame/TraductionQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace kervane {

bool installerTraductionsQt()
{
    QCoreApplication* pApplication = QCoreApplication::instance();
    if (!pApplication)
        return false;
    auto pTraduction = std::make_unique<QTranslator>();
    if (!pTraduction->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    // From here the application owns the translation and keeps using it until it ends.
    pTraduction->setParent(pApplication);
    return QCoreApplication::installTranslator(pTraduction.release());
}

}  // namespace kervane
