#include "frame/Point_entree_sortie.h"

#include "access/Module_ODBC.h"
#include "frame/Module_GES.h"
#include "frame/wndMDI.h"
#include "messages/Afficher.h"
#include "messages/Fichiers.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"
#include "messages/Trace.h"
#include "settings/Parametres.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <unistd.h>

namespace kervane {

Application::Application() = default;

Application::~Application()
{
    m_pFenetre.reset();
}

void Application::preparerODBC()
{
    const QString strDossier = QCoreApplication::applicationDirPath() + QStringLiteral("/driver/odbc");
    if (qEnvironmentVariableIsEmpty("ODBCSYSINI") && QFileInfo::exists(strDossier + QStringLiteral("/odbcinst.ini")))
        qputenv("ODBCSYSINI", strDossier.toUtf8());
}

QString Application::cheminVerrou()
{
    const QString strDossier = FIC_LireDossierTemporaire();
    QString strNom = Programme().strNomExecutable.trimmed();
    if (FIC_DossierPartage(strDossier))
        strNom += QLatin1Char('-') + QString::number(::geteuid());
    return strDossier + QLatin1Char('/') + strNom + QStringLiteral(".lock");
}

// Only a lock held by another running instance refuses the start: a folder that takes no
// lock file leaves the program without the check rather than without the program.
bool Application::verrouillerInstance()
{
    m_verrou = std::make_unique<QLockFile>(cheminVerrou());
    m_verrou->setStaleLockTime(0);
    return m_verrou->tryLock(0) || m_verrou->error() != QLockFile::LockFailedError;
}

bool Application::Main()
{
    return Pieger(QStringLiteral("Main"), [this] {
        if (!verrouillerInstance()) {
            MSG_Afficher(202, GENRE_CATALOGUE, MB_ICONEXCLAMATION, QStringLiteral("Main"));
            return false;
        }
        Sablier sablier;
        QCoreApplication::processEvents();
        if (!ODBC_Initialiser())
            return false;
        SYS_LireSeparateurDecimal();
        SYS_LireParametresUtilisateur();
        if (Programme().bModeDebug)
            MSG_InitialiserTrace();
        SYS_InitialiserCaracteresControle();
        m_pFenetre = std::make_unique<wndMDI>();
        m_pFenetre->show();
        GES_LirePremieresBasesRecentes();
        return true;
    });
}

}  // namespace kervane
