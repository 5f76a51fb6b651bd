// The result array's storage: header rows writable, appended rows bounds-checked.
#include "access/TableauTextes.h"
#include "messages/Erreur.h"

#include <gtest/gtest.h>

using namespace kervane;

TEST(TableauTextes, HeaderRowsAndAppendedRowsKeepTheirPlaces)
{
    TableauTextes tab(2, 3);
    tab.definir(0, 0, "2");
    tab.definir(1, 2, "NOM");
    for (const char* nom : {"Zoé", ""}) {
        tab.commencerLigne();
        tab.ajouterCellule({});
        tab.ajouterCellule("7");
        tab.ajouterCellule(QByteArray(nom));
    }
    tab.ajuster();
    EXPECT_EQ(tab.lignes(), 4);
    EXPECT_EQ(tab.texte(0, 0), "2");
    EXPECT_EQ(tab.texte(1, 2), "NOM");
    EXPECT_EQ(tab.texte(2, 2), "Zoé");
    EXPECT_EQ(tab.texte(3, 1), "7");
    EXPECT_EQ(tab.texte(3, 2), "");

    EXPECT_THROW(tab.texte(4, 0), Echec);
    EXPECT_THROW(tab.texte(0, 3), Echec);
    EXPECT_THROW(tab.texte(-1, 0), Echec);
    EXPECT_THROW(tab.definir(2, 0, "x"), Echec);  // appended rows are not rewritten
    tab.commencerLigne();
    tab.ajouterCellule("a");
    EXPECT_THROW(tab.commencerLigne(), Echec);  // previous row incomplete

    const TableauTextes deplace = std::move(tab);
    EXPECT_EQ(deplace.texte(2, 2), "Zoé");
}

TEST(TableauTextes, RowsGrowPastAnyReservationAndAreHandedOverWhole)
{
    // No reservation, far more rows than a first block holds: every text stays in place.
    TableauTextes tab(2, 3);
    constexpr int LIGNES = 20000;
    for (int r = 0; r < LIGNES; ++r) {
        tab.commencerLigne();
        tab.ajouterCellule({});
        tab.ajouterCellule(QByteArray::number(r));
        tab.ajouterCellule(r % 3 == 0 ? QByteArray() : QByteArray("Écrou n°") + QByteArray::number(r));
    }
    tab.ajuster();
    EXPECT_EQ(tab.lignes(), LIGNES + 2);
    EXPECT_EQ(tab.texte(2 + 12345, 1), "12345");
    EXPECT_EQ(tab.texte(2 + 12346, 2), QStringLiteral("Écrou n°12346"));
    EXPECT_EQ(tab.texte(2 + 12345, 2), "");

    // Handed over: the bytes of every cell of every row, column 0 included, and their ends.
    tab.definir(1, 1, "NUMERO");
    QByteArray texte;
    FinsCellules fins;
    tab.cederLignes(texte, fins);
    ASSERT_EQ(fins.taille(), LIGNES * 3);
    EXPECT_EQ(fins[fins.taille() - 1], static_cast<quint32>(texte.size()));
    const auto cellule = [&](qsizetype i) {
        const quint32 nDebut = i == 0 ? 0 : fins[i - 1];
        return QByteArrayView(texte.constData() + nDebut, fins[i] - nDebut);
    };
    EXPECT_EQ(cellule(0), QByteArrayView());
    EXPECT_EQ(cellule(3 * 7 + 1), QByteArrayView("7"));
    EXPECT_EQ(QString::fromUtf8(cellule(3 * 7 + 2)), QStringLiteral("Écrou n°7"));
    EXPECT_EQ(cellule(3 * 9 + 2), QByteArrayView()) << "NULL stays empty";
    // The array keeps its header rows and no appended row.
    EXPECT_EQ(tab.lignes(), 2);
    EXPECT_EQ(tab.texte(1, 1), "NUMERO");
    EXPECT_THROW(tab.texte(2, 1), Echec);
}

TEST(TableauTextes, ALargeResultLetGoIsFilledAgainWithTheNextOnesTextsOnly)
{
    // A result of more than 1 MiB of texts and offsets gives its blocks to the next one read;
    // the next one must show its own cells, none of the previous ones.
    const auto remplir = [](TableauTextes& tab, qsizetype nLignes, const char* prefixe) {
        tab.reserver(10);
        for (qsizetype r = 0; r < nLignes; ++r) {
            tab.commencerLigne();
            tab.ajouterCellule(QByteArray(prefixe) + QByteArray::number(r));
            tab.ajouterCellule(r % 3 == 0 ? QByteArray() : QByteArray("valeur"));
        }
        tab.ajuster();
    };
    {
        TableauTextes premier(1, 2);
        remplir(premier, 200000, "premier résultat, ligne ");
    }
    TableauTextes second(1, 2);
    remplir(second, 1000, "L");
    ASSERT_EQ(second.lignes(), 1001);
    EXPECT_EQ(second.texte(1, 0), "L0");
    EXPECT_EQ(second.texte(1, 1), "");
    EXPECT_EQ(second.texte(2, 1), "valeur");
    EXPECT_EQ(second.texte(1000, 0), "L999");
    EXPECT_EQ(second.texte(1000, 1), "");
    QByteArray texte;
    FinsCellules fins;
    second.cederLignes(texte, fins);
    EXPECT_EQ(fins.taille(), 2000);
    EXPECT_EQ(texte.size(), static_cast<qsizetype>(fins[1999]));
}
