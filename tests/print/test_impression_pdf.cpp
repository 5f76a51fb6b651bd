// The result grid printed through ImprimerRequete into a PDF file, read back with pdftotext
// and pdfinfo: header on every page, every cell, titles repeated, orientation, job name.
#include "messages/Programme.h"
#include "print/ImpressionGrille.h"
#include "print/ImprimerRequete.h"
#include "tests/print/OutilsImpression.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/RepondeurScripte.h"

#include <QDate>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace kervane::test {
namespace {

class ImpressionPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!outilsPopplerPresents())
            GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are not installed";
    }

    // Prints the grid through ImprimerRequete into a new PDF and reads it back.
    PdfLu print(qint16 nOrientation, const QString& strTexte, bool bLibelle, bool bAttendu = true)
    {
        const QString strChemin = m_dossier.fichier(QStringLiteral("page%1.pdf").arg(++m_nFichiers));
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFileName(strChemin);
        imprimante.setPageSize(QPageSize(QPageSize::A4));
        ImpressionGrille impression(m_grille);
        impression.setOrientation(nOrientation);
        EXPECT_EQ(ImprimerRequete(impression, strTexte, bLibelle, imprimante), bAttendu);
        return lirePdf(strChemin);
    }

    static qsizetype count(const QString& strTexte, const QString& strMot)
    {
        const QRegularExpression mot(QStringLiteral("(?<![\\w/])") + QRegularExpression::escape(strMot) +
                                     QStringLiteral("(?![\\w/])"));
        return strTexte.count(mot);
    }

    DossierTemporaire m_dossier;
    RepondeurScripte m_repondeur;
    vaSpread m_grille;
    int m_nFichiers = 0;
    const QString m_strDate = QDate::currentDate().toString("dd/MM/yyyy");
};

TEST_F(ImpressionPdf, LongGridInLandscapeRepeatsHeaderAndTitlesOnEveryPage)
{
    std::vector<QStringList> lignes;
    for (int r = 1; r <= 120; ++r)
        lignes.push_back({QStringLiteral("Produit%1").arg(r), r % 3 ? "Boissons" : "Condiments",
                          QStringLiteral("%1,50").arg(r * 3), r == 7 ? "une remarque assez longue pour tenir sur "
                                                                       "plusieurs lignes de la cellule imprimée"
                                                                     : ""});
    remplirGrille(m_grille, {"Produit", "Catégorie", "Prix", "Remarque"}, lignes);
    ASSERT_GT(m_grille.RowHeight(7), m_grille.RowHeight(6));  // the long remark wraps

    const PdfLu pdf = print(2, "SELECT * FROM Produits WHERE Prix > 3", true);
    ASSERT_TRUE(pdf.valide());
    ASSERT_GE(pdf.pages.size(), 3);
    ASSERT_EQ(pdf.tailles.size(), static_cast<std::size_t>(pdf.pages.size()));
    EXPECT_EQ(pdf.strTitre, "Impression Kervane Vitrelle");
    const QString strTout = pdf.pages.join(u'\n');
    for (qsizetype p = 0; p < pdf.pages.size(); ++p) {
        SCOPED_TRACE(p + 1);
        const QString& strPage = pdf.pages[p];
        EXPECT_GT(pdf.tailles[static_cast<std::size_t>(p)].width(), pdf.tailles[static_cast<std::size_t>(p)].height());
        // Date first, then the statement, then the titles.
        const QStringList lignesPage = strPage.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_GE(lignesPage.size(), 3);
        EXPECT_EQ(lignesPage[0].trimmed(), m_strDate);
        EXPECT_EQ(lignesPage[1].trimmed(), "SELECT * FROM Produits WHERE Prix > 3");
        EXPECT_EQ(lignesPage[2].simplified(), "Produit Catégorie Prix Remarque");
        EXPECT_TRUE(strPage.contains(QStringLiteral("Page %1 / %2").arg(p + 1).arg(pdf.pages.size())));
    }
    for (int r = 1; r <= 120; ++r) {
        EXPECT_EQ(count(strTout, QStringLiteral("Produit%1").arg(r)), 1) << r;
        EXPECT_EQ(count(strTout, QStringLiteral("%1,50").arg(r * 3)), 1) << r;
    }
    EXPECT_EQ(count(strTout, "Boissons"), 80);
    EXPECT_EQ(count(strTout, "Condiments"), 40);
    for (const QString& strMot : QString("une remarque assez longue pour tenir sur plusieurs lignes de la cellule "
                                         "imprimée").split(' '))
        EXPECT_TRUE(strTout.contains(strMot)) << strMot.toStdString();
}

TEST_F(ImpressionPdf, PortraitWithoutStatementAndTheTablesTabText)
{
    remplirGrilleNumerotee(m_grille, 3, 5);
    const PdfLu sans = print(1, "SELECT * FROM T", false);
    ASSERT_EQ(sans.pages.size(), 1);
    EXPECT_LT(sans.tailles[0].width(), sans.tailles[0].height());
    const QStringList lignes = sans.pages[0].split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lignes[0].trimmed(), m_strDate);
    EXPECT_EQ(lignes[1].simplified(), "Colonne1 Colonne2 Colonne3");
    EXPECT_FALSE(sans.pages[0].contains("SELECT"));

    const PdfLu base = print(1, " Base:  Comptoir du Nord", true);
    ASSERT_EQ(base.pages.size(), 1);
    EXPECT_EQ(base.pages[0].split(u'\n', Qt::SkipEmptyParts)[1].simplified(), "Base: Comptoir du Nord");
}

TEST_F(ImpressionPdf, WideGridIsSplitByColumnsWithRowNumbersOnEveryPage)
{
    remplirGrilleNumerotee(m_grille, 40, 10);
    const PdfLu pdf = print(2, "SELECT large", true);
    ASSERT_GE(pdf.pages.size(), 2);
    const QString strTout = pdf.pages.join(u'\n');
    for (const QString& strPage : pdf.pages) {
        EXPECT_TRUE(strPage.contains("SELECT large"));
        // Row titles 1..10 begin the lines of every page.
        for (int r = 1; r <= 10; ++r)
            EXPECT_TRUE(strPage.contains(QRegularExpression(QStringLiteral("(?m)^\\s*%1\\s+L%1C").arg(r)))) << r;
    }
    for (int c = 1; c <= 40; ++c) {
        EXPECT_EQ(count(strTout, QStringLiteral("Colonne%1").arg(c)), 1) << c;
        for (int r = 1; r <= 10; ++r)
            EXPECT_EQ(count(strTout, QStringLiteral("L%1C%2").arg(r).arg(c)), 1) << r << "," << c;
    }
}

TEST_F(ImpressionPdf, PrinterThatCannotStartIsReportedAndGivesFalse)
{
    Programme().bModeDebug = true;
    remplirGrilleNumerotee(m_grille, 2, 2);
    QPrinter imprimante(QPrinter::HighResolution);
    imprimante.setOutputFileName(m_dossier.fichier("absent/dossier/page.pdf"));
    ImpressionGrille impression(m_grille);
    EXPECT_FALSE(ImprimerRequete(impression, "SELECT 1", true, imprimante));
    ASSERT_EQ(m_repondeur.questions().size(), 1u);
    EXPECT_EQ(m_repondeur.derniere().strTitre, "Kervane [ImprimerRequete]");
    EXPECT_TRUE(m_repondeur.derniere().strTexte.startsWith("VB-00482"));
    Programme().bModeDebug = false;
}

}  // namespace
}  // namespace kervane::test
