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
