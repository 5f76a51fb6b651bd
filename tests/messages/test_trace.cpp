// The trace log: line layout, elapsed-time forms, continuation lines, debug mode off.
#include "messages/Programme.h"
#include "messages/Trace.h"
#include "tests/support/DossierTemporaire.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace kervane;

namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override { Programme().bModeDebug = true; }
    void TearDown() override { Programme().bModeDebug = false; }

    QString contenu() const
    {
        QFile f(MSG_CheminTrace());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    test::DossierTemporaire dossier;
};

}  // namespace

TEST(ElapsedColumn, EachFormIsEighteenCharactersWide)
{
    EXPECT_EQ(formatElapsedColumn(3725), "-> 01h 02mn 05.00s");
    EXPECT_EQ(formatElapsedColumn(75.5), "->     01mn 15.50s");
    EXPECT_EQ(formatElapsedColumn(3.4567), "->        03.4567s");
    EXPECT_EQ(formatElapsedColumn(0.25), "->        00.2500s");
    EXPECT_EQ(formatElapsedColumn(0), "->              0s");
    EXPECT_EQ(formatElapsedColumn(60), "->     01mn 00.00s");
    EXPECT_EQ(formatElapsedColumn(99 * 3600 + 59 * 60 + 59.5).size(), 18);
}

TEST_F(TraceTest, LinesCarryColumnSeparatorAndTab)
{
    EXPECT_EQ(MSG_CheminTrace(), dossier.chemin() + "/kervane.LOG");  // the temporary folder, the program's name
    MSG_Tracer("Executer       -> Indice = 1");
    MSG_Tracer("Requete        -> SELECT 1", MSG_Heure() - 75.5);
    MSG_Tracer("   ", MSG_Heure() - 3);
    const QStringList lignes = contenu().split("\r\n");
    ASSERT_EQ(lignes.size(), 4);  // three lines, each ended by CR LF
    EXPECT_EQ(lignes[0], QString(18, ' ') + " |\tExecuter       -> Indice = 1");
    EXPECT_TRUE(lignes[1].startsWith("->     01mn 15.5")) << lignes[1].toStdString();
    EXPECT_TRUE(lignes[1].endsWith(" |\tRequete        -> SELECT 1"));
    EXPECT_EQ(lignes[2], "");  // a blank text is an empty line, start time or not
    EXPECT_EQ(lignes[3], "");
}

TEST_F(TraceTest, FurtherLinesContinueUnderTheFirstCharacterAfterTheArrow)
{
    MSG_Tracer("Requete        -> SELECT *\r\nFROM T\r\n\r\n");
    const QStringList lignes = contenu().split("\r\n");
    ASSERT_EQ(lignes.size(), 3);
    EXPECT_EQ(lignes[0], QString(18, ' ') + " |\tRequete        -> SELECT *");
    EXPECT_EQ(lignes[1], QString(20, ' ') + "\t" + QString(18, ' ') + "FROM T");
    EXPECT_EQ(lignes[2], "");

    // Without an arrow, at the tab.
    QFile::remove(MSG_CheminTrace());
    MSG_Tracer("un\r\ndeux\n");
    EXPECT_EQ(contenu(), QString(18, ' ') + " |\tun\r\n" + QString(20, ' ') + "\tdeux\r\n");
}

TEST_F(TraceTest, NothingWrittenWhenDebugModeIsOff)
{
    Programme().bModeDebug = false;
    MSG_Tracer("Requete        -> SELECT 1", MSG_Heure());
    MSG_Tracer("");
    EXPECT_FALSE(QFile::exists(MSG_CheminTrace()));
}

TEST_F(TraceTest, InitialisingDeletesTheLogAndFailuresAreSilent)
{
    MSG_Tracer("x");
    ASSERT_TRUE(QFile::exists(MSG_CheminTrace()));
    MSG_InitialiserTrace();
    EXPECT_FALSE(QFile::exists(MSG_CheminTrace()));
    MSG_InitialiserTrace();  // nothing to delete: no failure

    qputenv("TEMP", QFile::encodeName(dossier.fichier("absent/sous-dossier")));
    MSG_Tracer("perdu");  // folder missing: skipped without a word
    EXPECT_FALSE(QFile::exists(MSG_CheminTrace()));
}

namespace {

// A folder every user may write in, as /tmp is, holding a trap named like the log.
class TraceDossierPartage : public TraceTest {
protected:
    void SetUp() override
    {
        TraceTest::SetUp();
        ASSERT_TRUE(QDir().mkpath(strPartage));
        ::chmod(QFile::encodeName(strPartage).constData(), 01777);
        qputenv("TEMP", QFile::encodeName(strPartage));
    }
    QByteArray lire(const QString& strChemin) const
    {
        QFile f(strChemin);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    const QString strPartage = dossier.fichier("partage");
};

}  // namespace

TEST_F(TraceDossierPartage, PlantedLinkIsNotFollowed)
{
    const QString strVictime = dossier.fichier("victime.txt");
    QFile victime(strVictime);
    ASSERT_TRUE(victime.open(QIODevice::WriteOnly) && victime.write("intact\n") == 7);
    victime.close();
    ASSERT_TRUE(QFile::link(strVictime, MSG_CheminTrace()));
    MSG_Tracer("Requete        -> DELETE FROM BASE");
    EXPECT_EQ(lire(strVictime), QByteArray("intact\n"));
    EXPECT_TRUE(QFileInfo(MSG_CheminTrace()).isSymLink());

    // A link to a file not there yet is not made into one either.
    ASSERT_TRUE(QFile::remove(MSG_CheminTrace()));
    const QString strNouveau = dossier.fichier("nouveau.txt");
    ASSERT_TRUE(QFile::link(strNouveau, MSG_CheminTrace()));
    MSG_Tracer("x");
    EXPECT_FALSE(QFile::exists(strNouveau));
}

TEST_F(TraceDossierPartage, PlantedPipeOrForeignFileIsLeftAlone)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(MSG_CheminTrace()).constData(), 0666), 0);
    MSG_Tracer("x");  // returns at once: nobody reads the pipe
    ASSERT_TRUE(QFile::remove(MSG_CheminTrace()));

    MSG_Tracer("le mien");
    EXPECT_EQ(QFileInfo(MSG_CheminTrace()).permissions() & 0x0077, QFile::Permissions());  // kept to the user
    EXPECT_TRUE(lire(MSG_CheminTrace()).endsWith("le mien\r\n"));
    if (::geteuid() != 0)
        GTEST_SKIP() << "a file of another user needs the administrator to be made";
    ASSERT_EQ(::chown(QFile::encodeName(MSG_CheminTrace()).constData(), 65534, 65534), 0);
    const QByteArray avant = lire(MSG_CheminTrace());
    MSG_Tracer("pas chez les autres");
    EXPECT_EQ(lire(MSG_CheminTrace()), avant);
}
