// Status-bar messages: icons, temporary messages and their timer.
#include "frame/BarreEtat.h"

#include <QDeadlineTimer>
#include <QTest>

#include <gtest/gtest.h>

using namespace kervane;

TEST(BarreEtat, TemporaryMessageStaysUntilTheTimerClearsIt)
{
    BarreEtat barre;
    barre.afficherMessage("Copie effectuée", 2, true, false);
    EXPECT_EQ(barre.panneauVisible(), "Exclamation");
    EXPECT_TRUE(barre.timMessage().isActive());
    EXPECT_EQ(barre.timMessage().interval(), 2000);

    barre.afficherMessage("ignoré", 1, false, false);  // both flags false: ignored
    EXPECT_EQ(barre.message(), "Copie effectuée");
    barre.afficherMessage("Ouverture : 5%", 1, false, true);  // stop timer: shown
    EXPECT_EQ(barre.message(), "Ouverture : 5%");
    EXPECT_EQ(barre.panneauVisible(), "Information");
    EXPECT_FALSE(barre.timMessage().isActive());

    barre.afficherMessage("temporaire", 3, true, false);
    barre.timMessage_Timer();
    EXPECT_EQ(barre.message(), "");
    EXPECT_EQ(barre.panneauVisible(), "");
    EXPECT_FALSE(barre.timMessage().isActive());
    barre.afficherMessage("permanent", 0, false, false);
    EXPECT_EQ(barre.message(), "permanent");
}

TEST(BarreEtat, TemporaryMessageGoesAwayByItselfAfterTwoSeconds)
{
    BarreEtat barre;
    barre.afficherMessage("Copie effectuée", 2, true, false);
    EXPECT_EQ(barre.message(), "Copie effectuée");
    // The event loop runs while waiting: the timer itself must clear the message.
    QDeadlineTimer limite(6000);
    while (!barre.message().isEmpty() && !limite.hasExpired())
        QTest::qWait(50);
    EXPECT_EQ(barre.message(), "");
    EXPECT_EQ(barre.panneauVisible(), "");
    EXPECT_FALSE(barre.timMessage().isActive());
}
