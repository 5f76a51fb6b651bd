// Screenshots of printing: the print dialog (dlgImprimer.png) and a printed result grid
// (grille.pdf, to render with pdftoppm). Needs a display (Xvfb) and a CUPS printer.
//   kervane_print_capture FOLDER
#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"
#include "print/dlgImprimer.h"
#include "tests/print/OutilsImpression.h"

#include <QApplication>
#include <QDir>
#include <QPageSize>
#include <QPrinter>
#include <QTimer>

#include <cstdio>

using namespace kervane;

namespace {

std::vector<QStringList> sampleRows()
{
    const QStringList produits = {"Chai", "Chang", "Aniseed Syrup", "Chef Anton's Cajun Seasoning",
                                  "Grandma's Boysenberry Spread", "Uncle Bob's Organic Dried Pears",
                                  "Northwoods Cranberry Sauce", "Mishi Kobe Niku", "Ikura", "Queso Cabrales"};
    std::vector<QStringList> lignes;
    for (int r = 1; r <= 90; ++r) {
        const QString& strProduit = produits[(r - 1) % produits.size()];
        lignes.push_back({QString::number(r), strProduit, r % 2 ? "Boissons" : "Condiments",
                          QStringLiteral("%1 cartons (%2 bouteilles)").arg(r % 7 + 1).arg(12 * (r % 5 + 1)),
                          QStringLiteral("%1,%2").arg(r * 3 % 97).arg(r % 10 * 5, 2, 10, QChar('0')),
                          r % 9 == 0 ? "Produit de saison, livré uniquement sur commande avec un délai de "
                                       "deux semaines"
                                     : ""});
    }
    return lignes;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QDir dossier(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    vaSpread grille;
    test::remplirGrille(grille, {"Réf", "Produit", "Catégorie", "Quantité par unité", "Prix unitaire", "Remarque"},
                        sampleRows());
    grille.resize(900, 500);

    QPrinter imprimante(QPrinter::HighResolution);
    imprimante.setOutputFileName(dossier.filePath("grille.pdf"));
    imprimante.setPageSize(QPageSize(QPageSize::A4));
    dlgImprimer dialogue(grille, "SELECT Produits.*, Categories.NomCategorie FROM Produits INNER JOIN Categories ON "
                                 "Produits.RefCategorie = Categories.RefCategorie ORDER BY NomProduit",
                         imprimante);
    if (!dialogue.charger())
        return 1;
    dialogue.show();
    QTimer::singleShot(500, &dialogue, [&] {
        dialogue.grab().save(dossier.filePath("dlgImprimer.png"));
        dialogue.tobOrientation_Portrait->trigger();
        dialogue.grab().save(dossier.filePath("dlgImprimer_portrait.png"));
        dialogue.tobOrientation_Paysage->trigger();
        dialogue.btnOk_Click();
        std::printf("%s\n", qPrintable(dossier.filePath("grille.pdf")));
        application.quit();
    });
    return application.exec();
}
