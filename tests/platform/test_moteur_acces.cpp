// The database engine for the conformity check: tables and fields in collection order,
// files opened read-only and never changed, clear refusals.
#include "driver/jet/file/JetFileIo.h"
#include "driver/jet/file/JetJournal.h"
#include "platform/MoteurAccess.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/OdbcPrive.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>

using namespace kervane;
using namespace kervane::test;

namespace {

QByteArray contenu(const QString& strChemin)
{
    QFile fichier(strChemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

// Bytes and modification time, to show that a file was left alone.
QString empreinte(const QString& strChemin)
{
    return QString::fromLatin1(contenu(strChemin).toBase64())
           + QFileInfo(strChemin).lastModified().toString(Qt::ISODateWithMs);
}

// Access modes (O_RDONLY, O_RDWR...) of this process's descriptors open on that file.
std::vector<int> modesOuverture(const QString& strChemin)
{
    std::vector<int> modes;
    const QDir fd(QStringLiteral("/proc/self/fd"));
    for (const QString& strFd : fd.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (QFileInfo(fd.filePath(strFd)).symLinkTarget() == QFileInfo(strChemin).canonicalFilePath())
            for (const QByteArray& ligne : contenu("/proc/self/fdinfo/" + strFd).split('\n'))
                if (ligne.startsWith("flags:"))
                    modes.push_back(ligne.mid(6).trimmed().toInt(nullptr, 8) & O_ACCMODE);
    return modes;
}

QStringList noms(const BaseMoteur& base)
{
    QStringList liste;
    for (const TableMoteur& table : base.tables())
        liste << table.strNom;
    return liste;
}

}  // namespace

TEST(MoteurAcces, SqliteFileGivesUserTablesInCreationOrderReadOnly)
{
    DossierTemporaire dossier;
    const QString strBase = dossier.fichier("velmora.mdb");
    creerBaseSQLite(strBase, "CREATE TABLE ZETA (Z1 TEXT, Z0 LONG);"
                             "CREATE TABLE alpha (ID INTEGER PRIMARY KEY AUTOINCREMENT, NOM TEXT(20), NOTE LONGTEXT);"
                             "INSERT INTO alpha (NOM) VALUES ('un'); CREATE VIEW VUE AS SELECT NOM FROM alpha;"
                             "CREATE INDEX IX ON ZETA (Z1); CREATE TABLE FAMILLE (TRADUCTION_HTML_FAMILLE LONGTEXT);");
    const QString strAvant = empreinte(strBase);
    BaseMoteur base;
    ErreurMoteur erreur;
    ASSERT_TRUE(base.ouvrir(strBase, erreur)) << erreur.strDescription.toStdString();
    // No view, index nor SQLite's own table (sqlite_sequence).
    EXPECT_EQ(noms(base), QStringList({"ZETA", "alpha", "FAMILLE"}));
    EXPECT_EQ(base.tables()[0].champs, QStringList({"Z1", "Z0"}));
    EXPECT_EQ(base.tables()[1].champs, QStringList({"ID", "NOM", "NOTE"}));
    EXPECT_EQ(modesOuverture(strBase), std::vector<int>{O_RDONLY});
    base.fermer();
    EXPECT_FALSE(base.estOuverte());
    EXPECT_EQ(base.tables().size(), 3u);  // the list outlives the file
    EXPECT_TRUE(modesOuverture(strBase).empty());
    EXPECT_EQ(empreinte(strBase), strAvant);
}

TEST(MoteurAcces, FilesThatAreNotDatabasesAreRefusedWithTheirPath)
{
    DossierTemporaire dossier;
    const std::pair<QString, QByteArray> fichiers[] = {
        {"notes.mdb", "Ceci n'est pas une base.\n"},
        {"vide.mdb", ""},
        {"abime.mdb", QByteArray("SQLite format 3\0", 16) + QByteArray(2000, 'Z')},
        {"jet.mdb", QByteArray(4, '\0') + "Standard Jet DB" + QByteArray(100, '\0')},
    };
    for (const auto& [strNom, octets] : fichiers) {
        QFile f(dossier.fichier(strNom));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(octets);
    }
    const auto chemin = [&](const char* szNom) { return dossier.fichier(szNom); };
    const std::tuple<QString, qint32, QString> cas[] = {
        {chemin("notes.mdb"), 3343, "Format de base de données non reconnu : « " + chemin("notes.mdb") + " »."},
        {chemin("vide.mdb"), 3343, "Format de base de données non reconnu : « " + chemin("vide.mdb") + " »."},
        {dossier.chemin(), 3343, "Format de base de données non reconnu"},
        {chemin("absente.mdb"), 3024, "Fichier « " + chemin("absente.mdb") + " » introuvable."},
        {chemin("abime.mdb"), 3049,
         "La base de données « " + chemin("abime.mdb") + " » ne peut pas être lue : le fichier est endommagé."},
        {chemin("jet.mdb"), 3049, "Le fichier « " + chemin("jet.mdb")},
    };
    for (const auto& [strChemin, nNumero, strDebut] : cas) {
        SCOPED_TRACE(strChemin.toStdString());
        const QString strAvant = empreinte(strChemin);
        BaseMoteur base(std::vector<TableMoteur>{{"RESTE", {"A"}}});
        ErreurMoteur erreur;
        EXPECT_FALSE(base.ouvrir(strChemin, erreur));
        EXPECT_EQ(erreur.nNumero, nNumero);
        EXPECT_TRUE(erreur.strDescription.startsWith(strDebut)) << erreur.strDescription.toStdString();
        EXPECT_TRUE(base.tables().empty());  // nothing left from before
        EXPECT_EQ(empreinte(strChemin), strAvant);
    }
}

TEST(MoteurAcces, NwindIsReadThroughTheJetReaderAndNeverChanged)
{
    const QString strNwind = qEnvironmentVariable("KERVANE_TEST_DATA") + "/nwind.mdb";
    if (!QFileInfo::exists(strNwind))
        GTEST_SKIP() << "nwind.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
    const QString strAvant = empreinte(strNwind);
    BaseMoteur base;
    ErreurMoteur erreur;
    ASSERT_TRUE(base.ouvrir(strNwind, erreur)) << erreur.strDescription.toStdString();
    const QStringList tables = noms(base);
    EXPECT_TRUE(tables.contains("Umsätze") && tables.contains("Order Details")) << tables.join(", ").toStdString();
    const qsizetype nClients = tables.indexOf("Customers");
    ASSERT_GE(nClients, 0);
    EXPECT_EQ(base.tables()[std::size_t(nClients)].champs.mid(0, 2), QStringList({"CustomerID", "CompanyName"}));
    // Held read-only while open (the reader and its locks: opens of its own, none for writing).
    EXPECT_EQ(modesOuverture(strNwind), std::vector<int>(modesOuverture(strNwind).size(), O_RDONLY));
    EXPECT_FALSE(modesOuverture(strNwind).empty());
    base.fermer();
    EXPECT_EQ(empreinte(strNwind), strAvant);
}

// A commit of the Jet writer cut short by a crash left its journal: pages 2 and 3 half
// overwritten and a page appended. The engine reads the file as it was before that commit.
TEST(MoteurAcces, AnInterruptedJetCommitIsUndoneBeforeReading)
{
    const QString strNwind = qEnvironmentVariable("KERVANE_TEST_DATA") + "/nwind.mdb";
    if (!QFileInfo::exists(strNwind))
        GTEST_SKIP() << "nwind.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
    DossierTemporaire dossier;
    const QString strBase = dossier.fichier("nwind.mdb");
    ASSERT_TRUE(QFile::copy(strNwind, strBase));
    QFile::setPermissions(strBase, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray avant = contenu(strBase);
    const std::string chemin = strBase.toStdString();
    {
        const jet::FileDescriptor fichier(::open(chemin.c_str(), O_RDWR));
        ASSERT_TRUE(fichier.valid());
        const std::vector<unsigned char> dechets(3 * 2048, 0xee);
        jet::JournalHeader entete;
        entete.pageSize = 2048;
        entete.originalPages = std::uint32_t(avant.size() / 2048);
        entete.finalPages = entete.originalPages + 3;
        std::vector<jet::CommitPage> pages{{2, dechets.data()}, {3, dechets.data()}};
        for (std::uint32_t n = 0; n < 3; ++n)
            pages.push_back({entete.originalPages + n, dechets.data()});
        jet::FileDescriptor journal;
        int nEtape = 0;
        ASSERT_EQ(jet::createJournal(jet::journalPath(chemin), fichier.get(), journal), 0);
        ASSERT_EQ(jet::writeJournal(jet::journalPath(chemin), journal.get(), fichier.get(), entete, pages, {}, nEtape), 0);
        ASSERT_EQ(jet::writeAt(fichier.get(), dechets.data(), 2048, 2 * 2048), 0);
        ASSERT_EQ(jet::writeAt(fichier.get(), dechets.data(), dechets.size(), off_t(avant.size())), 0);
    }
    BaseMoteur base;
    ErreurMoteur erreur;
    ASSERT_TRUE(base.ouvrir(strBase, erreur)) << erreur.strDescription.toStdString();
    EXPECT_TRUE(noms(base).contains("Customers"));
    base.fermer();
    EXPECT_EQ(contenu(strBase), avant);
    EXPECT_FALSE(QFileInfo::exists(strBase + ".kvj"));
}
