#include "print/DescriptionImprimante.h"

#include <QDataStream>
#include <QIODevice>
#include <QMarginsF>
#include <QPageSize>
#include <QSizeF>

namespace kervane {
namespace {

constexpr char MARQUE[4] = {'K', 'I', 'M', 'P'};
constexpr quint16 VERSION = 1;
constexpr qsizetype POSITION_ORIENTATION = 6;

bool hasFixedPart(const QByteArray& description)
{
    return description.size() >= TAILLE_PARTIE_FIXE && description.startsWith(QByteArrayView(MARQUE, 4));
}

}  // namespace

QPageLayout::Orientation orientationMiseEnPage(qint16 nOrientation)
{
    return nOrientation == ORIENTATION_PORTRAIT ? QPageLayout::Portrait : QPageLayout::Landscape;
}

qint16 orientationDepuisMiseEnPage(QPageLayout::Orientation orientation)
{
    return orientation == QPageLayout::Portrait ? ORIENTATION_PORTRAIT : ORIENTATION_PAYSAGE;
}

QByteArray descriptionDepuisMiseEnPage(const QPageLayout& miseEnPage)
{
    QByteArray description;
    QDataStream flux(&description, QIODevice::WriteOnly);
    flux.setVersion(QDataStream::Qt_6_4);
    flux.writeRawData(MARQUE, 4);
    flux << VERSION << orientationDepuisMiseEnPage(miseEnPage.orientation());
    const QPageSize taille = miseEnPage.pageSize();
    flux << taille.name() << taille.definitionSize() << static_cast<qint32>(taille.definitionUnits())
         << static_cast<qint32>(miseEnPage.units()) << miseEnPage.margins();
    return description;
}

bool miseEnPageDepuisDescription(const QByteArray& description, QPageLayout& miseEnPage)
{
    if (!hasFixedPart(description))
        return false;
    QDataStream flux(description);
    flux.setVersion(QDataStream::Qt_6_4);
    flux.skipRawData(static_cast<int>(TAILLE_PARTIE_FIXE));
    QString strNom;
    QSizeF taille;
    qint32 nUniteTaille = 0;
    qint32 nUnite = 0;
    QMarginsF marges;
    flux >> strNom >> taille >> nUniteTaille >> nUnite >> marges;
    if (flux.status() != QDataStream::Ok || nUniteTaille < 0 || nUniteTaille > QPageSize::Cicero || nUnite < 0 ||
        nUnite > QPageLayout::Cicero)
        return false;
    const QPageSize page(taille, static_cast<QPageSize::Unit>(nUniteTaille), strNom, QPageSize::ExactMatch);
    if (!page.isValid())
        return false;
    miseEnPage = QPageLayout(page, orientationMiseEnPage(orientationDescription(description)), marges,
                             static_cast<QPageLayout::Unit>(nUnite));
    return miseEnPage.isValid();
}

qint16 orientationDescription(const QByteArray& description)
{
    if (!hasFixedPart(description))
        return 0;
    const auto nHaut = static_cast<quint8>(description[POSITION_ORIENTATION]);
    const auto nBas = static_cast<quint8>(description[POSITION_ORIENTATION + 1]);
    return static_cast<qint16>((nHaut << 8) | nBas);
}

bool changerOrientationDescription(QByteArray& description, qint16 nOrientation)
{
    if (!hasFixedPart(description) ||
        (nOrientation != ORIENTATION_PORTRAIT && nOrientation != ORIENTATION_PAYSAGE))
        return false;
    description[POSITION_ORIENTATION] = 0;
    description[POSITION_ORIENTATION + 1] = static_cast<char>(nOrientation);
    return true;
}

}  // namespace kervane
