// The single-instance check is per user: one user starting twice is refused, two users
// starting at once both run, with the temporary folder unset or naming a shared folder.
#include "frame/Point_entree_sortie.h"
#include "messages/Fichiers.h"
#include "messages/Programme.h"
#include "tests/support/DossierTemporaire.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::test {
namespace {

constexpr uid_t kSecondUtilisateur = 65534;
constexpr int kGardeMs = 60000;  // watchdog only: a start takes well under a second
const std::string DEMARRE = "demarre";
const std::string REFUSE = "refuse: Vous ne pouvez pas lancer deux fois cette application.";

// A lock name of its own, so that no running Kervane of this machine is in the way.
QString nomExecutable()
{
    return QStringLiteral("kervane-essai-%1").arg(::getpid());
}

// The private folders of one user: registry, ODBC files, home; TEMP, TMP and the session's
// runtime folder unset unless strTemp is given.
QProcessEnvironment environnement(const QString& strDossier, const QString& strTemp = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* szNom : {"TEMP", "TMP", "XDG_RUNTIME_DIR", "ODBCSYSINI"})
        env.remove(QString::fromLatin1(szNom));
    if (!strTemp.isEmpty())
        env.insert(QStringLiteral("TEMP"), strTemp);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), strDossier);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), strDossier + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), strDossier + QStringLiteral("/cache"));
    env.insert(QStringLiteral("KERVANE_REGISTRY_DIR"), strDossier + QStringLiteral("/registre"));
    env.insert(QStringLiteral("ODBCINI"), strDossier + QStringLiteral("/odbc.ini"));
    return env;
}

// One start of the program in a process of its own, as the current user or as another.
class Lancement {
public:
    Lancement(const QProcessEnvironment& env, std::optional<uid_t> utilisateur = std::nullopt)
    {
        m_processus.setProcessEnvironment(env);
        const QString strLanceur = QStringLiteral(KERVANE_LANCEUR_INSTANCE);
        if (utilisateur) {
            const QString strId = QString::number(*utilisateur);
            m_processus.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=") + strId,
                                                           QStringLiteral("--regid=") + strId,
                                                           QStringLiteral("--clear-groups"), QStringLiteral("--"),
                                                           strLanceur, nomExecutable()});
        } else {
            m_processus.start(strLanceur, {nomExecutable()});
        }
    }
    ~Lancement()
    {
        m_processus.closeWriteChannel();
        if (!m_processus.waitForFinished(kGardeMs))
            m_processus.kill();
        m_processus.waitForFinished();
    }
    Lancement(const Lancement&) = delete;
    Lancement& operator=(const Lancement&) = delete;

    // "demarre", or "refuse: " and the message shown; the program keeps running after
    // "demarre" until the object goes.
    std::string reponse()
    {
        while (!m_processus.canReadLine() && m_processus.state() != QProcess::NotRunning)
            if (!m_processus.waitForReadyRead(kGardeMs))
                break;
        const QString strLigne = QString::fromUtf8(m_processus.readLine()).trimmed();
        return (strLigne.isEmpty() ? QStringLiteral("(rien) ") + QString::fromUtf8(m_processus.readAllStandardError())
                                   : strLigne)
            .toStdString();
    }

private:
    QProcess m_processus;
};

// A folder under /tmp that the second user owns, for its registry and home.
QString dossierDuSecond(const QTemporaryDir& dossier)
{
    const QByteArray chemin = QFile::encodeName(dossier.path());
    EXPECT_EQ(::chown(chemin.constData(), kSecondUtilisateur, kSecondUtilisateur), 0);
    return dossier.path();
}

// A folder where everyone may write, as /tmp is.
QString dossierCommun(const QTemporaryDir& dossier)
{
    ::chmod(QFile::encodeName(dossier.path()).constData(), 01777);
    return dossier.path();
}

// Whether another user can reach and run the helper (every folder above it traversable).
bool lanceurAccessibleAuxAutres()
{
    QFileInfo info(QStringLiteral(KERVANE_LANCEUR_INSTANCE));
    struct stat etat {};
    if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &etat) != 0 ||
        (etat.st_mode & (S_IROTH | S_IXOTH)) != (S_IROTH | S_IXOTH))
        return false;
    for (QDir dossier = info.absoluteDir();; dossier.cdUp()) {
        if (::stat(QFile::encodeName(dossier.absolutePath()).constData(), &etat) != 0 || !(etat.st_mode & S_IXOTH))
            return false;
        if (dossier.isRoot())
            return true;
    }
}

class DeuxUtilisateurs : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "starting as a second user needs the administrator (setpriv): run as root to test it";
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            GTEST_SKIP() << "setpriv (util-linux) is missing";
        if (!lanceurAccessibleAuxAutres())
            GTEST_SKIP() << "the build tree is not readable by a second user";
    }

    DossierTemporaire dossier;
    QTemporaryDir second{QStringLiteral("/tmp/kervane-second-XXXXXX")};
};

}  // namespace

TEST(Instance, LockNameCarriesTheUserOnlyInASharedFolder)
{
    DossierTemporaire dossier;
    EXPECT_EQ(Application::cheminVerrou().toStdString(), dossier.fichier(QStringLiteral("kervane.lock")).toStdString());
    QTemporaryDir commun;
    qputenv("TEMP", QFile::encodeName(dossierCommun(commun)));
    EXPECT_EQ(Application::cheminVerrou().toStdString(),
              commun.filePath(QStringLiteral("kervane-%1.lock").arg(::geteuid())).toStdString());
}

TEST(Instance, OneUserStartingTwiceIsRefused)
{
    DossierTemporaire dossier;
    QTemporaryDir commun;
    for (const QString& strTemp : {QString(), dossierCommun(commun)}) {
        Lancement premier(environnement(dossier.chemin(), strTemp));
        ASSERT_EQ(premier.reponse(), DEMARRE) << strTemp.toStdString();
        Lancement second(environnement(dossier.chemin(), strTemp));
        EXPECT_EQ(second.reponse(), REFUSE) << strTemp.toStdString();
    }
}

TEST_F(DeuxUtilisateurs, EachStartsAtOnceWithoutTemp)
{
    Lancement premier(environnement(dossier.chemin()));
    Lancement autre(environnement(dossierDuSecond(second)), kSecondUtilisateur);
    EXPECT_EQ(premier.reponse(), DEMARRE);
    EXPECT_EQ(autre.reponse(), DEMARRE);
}

TEST_F(DeuxUtilisateurs, EachStartsAtOnceWithASharedTemp)
{
    QTemporaryDir commun(QStringLiteral("/tmp/kervane-commun-XXXXXX"));
    const QString strCommun = dossierCommun(commun);
    Lancement premier(environnement(dossier.chemin(), strCommun));
    Lancement autre(environnement(dossierDuSecond(second), strCommun), kSecondUtilisateur);
    EXPECT_EQ(premier.reponse(), DEMARRE);
    EXPECT_EQ(autre.reponse(), DEMARRE);
    for (const uid_t nUid : {::geteuid(), kSecondUtilisateur})
        EXPECT_TRUE(QFileInfo::exists(QStringLiteral("%1/%2-%3.lock").arg(strCommun, nomExecutable()).arg(nUid)))
            << nUid;
}

}  // namespace kervane::test
