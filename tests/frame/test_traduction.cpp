// Qt's own texts in French whatever the user's language settings say.
#include "frame/TraductionQt.h"

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kervane;

namespace {

QString texteBouton(QMessageBox& boite, QMessageBox::StandardButton bouton)
{
    return boite.button(bouton)->text().remove(QLatin1Char('&'));
}

}  // namespace

TEST(TraductionQt, MessageBoxButtonsReadInFrench)
{
    qputenv("LANG", "C");
    ASSERT_TRUE(installerTraductionsQt()) << "traduction française de Qt absente (paquet qt6-translations-l10n)";
    QMessageBox boite(QMessageBox::Question, QStringLiteral("Kervane"), QStringLiteral("Continuer ?"),
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(texteBouton(boite, QMessageBox::Yes), "Oui");
    EXPECT_EQ(texteBouton(boite, QMessageBox::No), "Non");
    EXPECT_EQ(texteBouton(boite, QMessageBox::Cancel), "Annuler");
}
