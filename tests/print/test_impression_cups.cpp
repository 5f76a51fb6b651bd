// One print through a real CUPS queue on the cups-pdf backend: the dialog prints on its own
// print object, set to the queue, and the PDF the queue writes holds the grid and its header.
// Skipped when no CUPS server answers or no cups-pdf queue is listed.
//   KERVANE_CUPS_QUEUE    the queue to use (default: the first one on the cups-pdf driver)
//   KERVANE_CUPS_PDF_DIR  where the queue writes (default: ~/PDF and /var/spool/cups-pdf/*)
#include "messages/Programme.h"
#include "print/dlgImprimer.h"
#include "print/Module_IMP.h"
#include "tests/print/OutilsImpression.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/RepondeurScripte.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QPrinterInfo>
#include <QThread>
#include <gtest/gtest.h>

namespace kervane::test {
namespace {

QString cupsPdfQueue()
{
    const QString strChoisie = qEnvironmentVariable("KERVANE_CUPS_QUEUE");
    if (!strChoisie.isEmpty())
        return IMP_ListerImprimantes().contains(strChoisie) ? strChoisie : QString();
    for (const QString& strNom : IMP_ListerImprimantes())
        if (QPrinterInfo::printerInfo(strNom).makeAndModel().contains("CUPS-PDF", Qt::CaseInsensitive))
            return strNom;
    return {};
}

QStringList outputFolders()
{
    const QString strChoisi = qEnvironmentVariable("KERVANE_CUPS_PDF_DIR");
    if (!strChoisi.isEmpty())
        return {strChoisi};
    return {QDir::home().filePath("PDF"), "/var/spool/cups-pdf"};
}

// The PDF files the queue wrote for our job name since the start.
QStringList findOutputs(const QDateTime& debut)
{
    QStringList fichiers;
    for (const QString& strDossier : outputFolders()) {
        QDirIterator it(strDossier, {"*Impression_Kervane_Vitrelle*.pdf"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (it.fileInfo().lastModified() >= debut)
                fichiers << it.filePath();
        }
    }
    return fichiers;
}

TEST(ImpressionCups, GridPrintedOnACupsPdfQueueComesOutAsPdf)
{
    if (IMP_ListerImprimantes().isEmpty())
        GTEST_SKIP() << "no CUPS server answers or it lists no printer";
    const QString strFile = cupsPdfQueue();
    if (strFile.isEmpty())
        GTEST_SKIP() << "CUPS lists no queue on the cups-pdf driver (printer-driver-cups-pdf)";
    if (!outilsPopplerPresents())
        GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are not installed";

    EtatImpressionSauve etat;
    DossierTemporaire dossier;
    RepondeurScripte repondeur;
    const QString strMarque = QStringLiteral("Marque%1").arg(QDateTime::currentMSecsSinceEpoch());
    vaSpread grille;
    remplirGrille(grille, {"Client", "Ville"}, {{strMarque, "Lyon"}, {"Dupont", "Nantes"}});
    Programme().strImprimante = strFile;
    Programme().nOrientationImpression = 2;
    const QDateTime debut = QDateTime::currentDateTime().addSecs(-2);

    dlgImprimer dialogue(grille, "SELECT * FROM Clients", nullptr);
    ASSERT_TRUE(dialogue.charger());
    dialogue.chkParametre->setChecked(true);
    dialogue.btnOk_Click();
    EXPECT_TRUE(Programme().bImprime);
    EXPECT_TRUE(repondeur.questions().empty());

    // The queue's file is named after the job; the mark tells ours from any other.
    PdfLu pdf;
    QStringList fichiers;
    QElapsedTimer attente;
    attente.start();
    while (!pdf.valide() && attente.elapsed() < 60000) {
        QThread::msleep(250);
        fichiers = findOutputs(debut);
        for (const QString& strFichier : fichiers)
            if (PdfLu lu = lirePdf(strFichier); lu.pages.join('\n').contains(strMarque))
                pdf = lu;
    }
    ASSERT_FALSE(fichiers.isEmpty()) << "the queue wrote no PDF for the job in "
                                     << outputFolders().join(", ").toStdString();
    ASSERT_TRUE(pdf.valide()) << "the queue's PDF holds no readable grid text: its queue must keep the text "
                                 "(lpadmin -p QUEUE -o pdftops-renderer-default=pdftocairo)";
    // A landscape page comes out turned on a portrait sheet, so only its text is checked here.
    ASSERT_EQ(pdf.pages.size(), 1);
    EXPECT_TRUE(pdf.pages[0].contains("SELECT * FROM Clients"));
    EXPECT_TRUE(pdf.pages[0].contains("Nantes"));
    EXPECT_TRUE(pdf.strTitre.contains("Impression Kervane Vitrelle")) << pdf.strTitre.toStdString();
}

}  // namespace
}  // namespace kervane::test
