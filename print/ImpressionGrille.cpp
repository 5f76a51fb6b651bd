#include "print/ImpressionGrille.h"

#include "messages/Erreur.h"
#include "platform/spread/SpreadGeometry.h"
#include "platform/spread/vaSpread.h"
#include "print/DescriptionImprimante.h"
#include "print/EnteteImpression.h"
#include "print/PagesGrille.h"
#include "print/TexteImprime.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace kervane {
namespace {

constexpr double kTrait = 0.5;      // grid lines, in grid pixels
constexpr double kBordure = 1.0;    // cell borders and the frame
constexpr double kOmbre = 3.0;      // offset of the shadow
constexpr double kEcartPied = 0.5;  // gap above the foot line, in lines

QColor lineColour() { return QColor(0x80, 0x80, 0x80); }
QColor titleShade() { return QColor(0xE6, 0xE6, 0xE6); }

// One printed page of a grid, drawn in the grid's pixels.
class PagePainter {
public:
    PagePainter(QPainter& painter, const vaSpread& grille, const ReglagesImpression& reglages,
                const DimensionsGrille& dimensions)
        : m_painter(painter), m_grille(grille), m_reglages(reglages), m_dimensions(dimensions),
          m_police(grille.font()), m_policeGras(grille.font())
    {
        m_policeGras.setBold(true);
    }

    void drawTable(const PageGrille& page, QPointF origine, double dLargeurMax);

private:
    struct Band {
        std::vector<qint32> colonnes;
        std::vector<double> x;
        std::vector<double> largeurs;
    };
    Band layOutColumns(const PageGrille& page, double dLargeurMax) const;
    void drawCell(const QRectF& rect, qint32 nCol, qint32 nRow);

    QPainter& m_painter;
    const vaSpread& m_grille;
    const ReglagesImpression& m_reglages;
    const DimensionsGrille& m_dimensions;
    QFont m_police;
    QFont m_policeGras;
};

PagePainter::Band PagePainter::layOutColumns(const PageGrille& page, double dLargeurMax) const
{
    Band bande;
    double x = 0.0;
    auto add = [&](qint32 nCol) {
        const double dLargeur = std::min(m_dimensions.dLargeurs[static_cast<std::size_t>(nCol)], dLargeurMax - x);
        if (dLargeur <= 0.0)
            return;
        bande.colonnes.push_back(nCol);
        bande.x.push_back(x);
        bande.largeurs.push_back(dLargeur);
        x += dLargeur;
    };
    if (m_reglages.bTitresLignes)
        add(0);
    for (qint32 c = page.nColonne1; c <= page.nColonne2; ++c)
        add(c);
    return bande;
}

void PagePainter::drawTable(const PageGrille& page, QPointF origine, double dLargeurMax)
{
    const Band bande = layOutColumns(page, dLargeurMax);
    std::vector<qint32> lignes;
    if (m_reglages.bTitresColonnes)
        lignes.push_back(0);
    for (qint32 r = page.nLigne1; r <= page.nLigne2; ++r)
        lignes.push_back(r);
    if (bande.colonnes.empty() || lignes.empty())
        return;

    double dHauteur = 0.0;
    for (qint32 r : lignes)
        dHauteur += m_dimensions.dHauteurs[static_cast<std::size_t>(r)];
    const QRectF cadre(origine, QSizeF(bande.x.back() + bande.largeurs.back(), dHauteur));
    if (m_reglages.bOmbre)
        m_painter.fillRect(cadre.translated(kOmbre, kOmbre), QColor(0xA0, 0xA0, 0xA0));
    m_painter.fillRect(cadre, Qt::white);
    // Title shading first: a cell's fill would hide the line its neighbour drew.
    if (m_reglages.bCouleur && lignes.front() == 0)
        m_painter.fillRect(QRectF(origine, QSizeF(cadre.width(), m_dimensions.dHauteurs[0])), titleShade());
    if (m_reglages.bCouleur && bande.colonnes.front() == 0)
        m_painter.fillRect(QRectF(origine, QSizeF(bande.largeurs.front(), dHauteur)), titleShade());

    double y = origine.y();
    for (qint32 r : lignes) {
        const double h = m_dimensions.dHauteurs[static_cast<std::size_t>(r)];
        for (std::size_t i = 0; i < bande.colonnes.size(); ++i)
            drawCell(QRectF(origine.x() + bande.x[i], y, bande.largeurs[i], h), bande.colonnes[i], r);
        y += h;
    }
    if (m_reglages.bBordure) {
        m_painter.setPen(QPen(Qt::black, kBordure));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(cadre);
    }
}

void PagePainter::drawCell(const QRectF& rect, qint32 nCol, qint32 nRow)
{
    const SpreadCells& cells = m_grille.Cells();
    const bool bTitre = nCol == 0 || nRow == 0;

    QColor encre(Qt::black);
    if (const quint32 nRgb = cells.foreColor(nCol, nRow); nRgb != 0 && m_reglages.bCouleur)
        encre = QColor::fromRgb(nRgb);
    m_painter.setPen(encre);
    const QRectF zone = rect.adjusted(spread::kMarginX, spread::kMarginY, -(spread::kMarginX + spread::kGridLine),
                                      -(spread::kMarginY + spread::kGridLine));
    const QFont& police = cells.bold(nCol, nRow) ? m_policeGras : m_police;
    dessinerTexte(m_painter, zone, m_grille.CellText(nCol, nRow), police,
                  bTitre ? Qt::Alignment(Qt::AlignCenter) : Qt::AlignLeft | Qt::AlignTop);

    if (m_reglages.bQuadrillage || bTitre) {
        m_painter.setPen(QPen(lineColour(), kTrait));
        m_painter.drawLine(rect.topRight(), rect.bottomRight());
        m_painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    const quint8 nCotes = cells.borders(nCol, nRow);
    if (nCotes == 0)
        return;
    m_painter.setPen(QPen(Qt::black, kBordure));
    if (nCotes & BorderLeft)
        m_painter.drawLine(rect.topLeft(), rect.bottomLeft());
    if (nCotes & BorderRight)
        m_painter.drawLine(rect.topRight(), rect.bottomRight());
    if (nCotes & BorderTop)
        m_painter.drawLine(rect.topLeft(), rect.topRight());
    if (nCotes & BorderBottom)
        m_painter.drawLine(rect.bottomLeft(), rect.bottomRight());
}

// Column widths and row heights in grid pixels; the titles get the room their texts need.
DimensionsGrille measureGrid(const vaSpread& grille, const ReglagesImpression& reglages)
{
    DimensionsGrille dimensions;
    dimensions.bTitresColonnes = reglages.bTitresColonnes;
    dimensions.bTitresLignes = reglages.bTitresLignes;
    const qint32 nColonnes = grille.MaxCols();
    const qint32 nLignes = grille.MaxRows();
    for (qint32 c = 0; c <= nColonnes; ++c)
        dimensions.dLargeurs.push_back(grille.ColWidthToPixels(grille.ColWidth(c)));
    const double dNumeros = QFontMetricsF(grille.font()).horizontalAdvance(grille.CellText(0, nLignes)) +
                            spread::kExtraWidth + 2.0;
    dimensions.dLargeurs[0] = std::max(dimensions.dLargeurs[0], dNumeros);

    double dTitres = grille.RowHeight(0);
    QFont gras(grille.font());
    gras.setBold(true);
    for (qint32 c = 1; c <= nColonnes; ++c)
        dTitres = std::max(dTitres, hauteurTexte(grille.CellText(c, 0), gras,
                                                 dimensions.dLargeurs[static_cast<std::size_t>(c)] -
                                                     spread::kExtraWidth) +
                                        spread::kExtraHeight);
    dimensions.dHauteurs.push_back(dTitres);
    for (qint32 r = 1; r <= nLignes; ++r)
        dimensions.dHauteurs.push_back(grille.RowHeight(r));
    return dimensions;
}

struct HeaderLine {
    LigneEntete ligne;
    double dHauteur = 0.0;
};

std::vector<HeaderLine> layOutHeader(const QString& strEntete, const QFont& police, double dLargeur)
{
    std::vector<HeaderLine> lignes;
    for (const LigneEntete& ligne : analyserEntete(strEntete)) {
        double dHauteur = 0.0;
        for (const QString* pTexte : {&ligne.strGauche, &ligne.strCentre, &ligne.strDroite})
            dHauteur = std::max(dHauteur, hauteurTexte(*pTexte, police, dLargeur));
        lignes.push_back({ligne, dHauteur});
    }
    return lignes;
}

double drawHeader(QPainter& painter, const std::vector<HeaderLine>& lignes, const QFont& police, double dLargeur)
{
    painter.setPen(Qt::black);
    double y = 0.0;
    for (const HeaderLine& ligne : lignes) {
        const QRectF rect(0.0, y, dLargeur, ligne.dHauteur);
        dessinerTexte(painter, rect, ligne.ligne.strGauche, police, Qt::AlignLeft);
        dessinerTexte(painter, rect, ligne.ligne.strCentre, police, Qt::AlignHCenter);
        dessinerTexte(painter, rect, ligne.ligne.strDroite, police, Qt::AlignRight);
        y += ligne.dHauteur;
    }
    return y;
}

double screenDpi(const vaSpread& grille)
{
    const int nDpi = grille.logicalDpiX();
    return nDpi > 0 ? nDpi : 96.0;
}

}  // namespace

qint32 ImpressionGrille::imprimer(QPrinter& imprimante) const
{
    imprimante.setDocName(m_strNomTravail);
    imprimante.setPageOrientation(orientationMiseEnPage(m_nOrientation));
    QPainter painter;
    if (!painter.begin(&imprimante))
        LeverErreur(ERREUR_IMPRIMANTE, QStringLiteral("Erreur d'imprimante : impossible de commencer l'impression"));

    const double dEchelle = imprimante.resolution() / screenDpi(m_grille);
    const QRectF zone = imprimante.pageLayout().paintRectPixels(imprimante.resolution());
    const QSizeF page(zone.width() / dEchelle, zone.height() / dEchelle);
    const QFont police = m_grille.font();
    const double dLigne = QFontMetricsF(police).height();

    const auto entete = layOutHeader(m_strEntete, police, page.width());
    double dEntete = 0.0;
    for (const HeaderLine& ligne : entete)
        dEntete += ligne.dHauteur;
    const double dPied = dLigne * (1.0 + kEcartPied);
    const DimensionsGrille dimensions = measureGrid(m_grille, m_reglages);
    const auto pages = decouperPages(dimensions, page.width(), page.height() - dEntete - dPied);

    const auto nPages = static_cast<qint32>(pages.size());
    for (qint32 n = 0; n < nPages; ++n) {
        if (n > 0)
            imprimante.newPage();
        painter.save();
        painter.scale(dEchelle, dEchelle);
        const double y = drawHeader(painter, entete, police, page.width());
        PagePainter(painter, m_grille, m_reglages, dimensions)
            .drawTable(pages[static_cast<std::size_t>(n)], QPointF(0.0, y), page.width());
        painter.setPen(Qt::black);
        dessinerTexte(painter, QRectF(0.0, page.height() - dLigne, page.width(), dLigne),
                      QStringLiteral("Page %1 / %2").arg(n + 1).arg(nPages), police, Qt::AlignHCenter);
        painter.restore();
    }
    painter.end();
    return nPages;
}

}  // namespace kervane
