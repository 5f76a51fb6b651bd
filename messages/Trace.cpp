#include "messages/Trace.h"

#include "messages/Fichiers.h"
#include "messages/Programme.h"
#include "messages/Texte.h"

#include <QFile>
#include <QTime>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane {
namespace {

const QString CRLF = QStringLiteral("\r\n");
constexpr int LARGEUR_COLONNE = 18;

QString twoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Seconds with a fixed number of decimals and at least two integer digits ("03.45").
QString paddedSeconds(double s, int nDecimales)
{
    return QStringLiteral("%1").arg(s, nDecimales + 3, 'f', nDecimales, QLatin1Char('0'));
}

QString withoutTrailingLineBreaks(QString strTexte)
{
    while (strTexte.size() >= 3 && strTexte.endsWith(CRLF))
        strTexte.chop(2);
    while (strTexte.size() >= 2 && (strTexte.endsWith(QLatin1Char('\n')) || strTexte.endsWith(QLatin1Char('\r'))))
        strTexte.chop(1);
    return strTexte;
}

// Opens the log for appending, never through a link, and only a plain file of the user's
// own with one name: in a shared folder another user could have planted the name.
bool ouvrirTrace(QFile& fichier)
{
    const int fd = ::open(QFile::encodeName(MSG_CheminTrace()).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return false;
    struct stat etat {};
    const bool bSur = ::fstat(fd, &etat) == 0 && S_ISREG(etat.st_mode) && etat.st_uid == ::geteuid() &&
                      etat.st_nlink == 1;
    if (bSur && fichier.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

}  // namespace

double MSG_Heure()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

QString MSG_CheminTrace()
{
    return FIC_LireDossierTemporaire() + QLatin1Char('/') + Programme().strNomExecutable.trimmed()
           + QStringLiteral(".LOG");
}

QString formatElapsedColumn(double dDuree)
{
    const auto h = static_cast<qint64>(std::floor(dDuree / 3600));
    const auto m = static_cast<qint64>(std::floor(dDuree / 60)) - 60 * h;
    const double s = dDuree - 3600.0 * static_cast<double>(h) - 60.0 * static_cast<double>(m);
    if (h > 0)
        return QStringLiteral("-> ") + twoDigits(h) + QStringLiteral("h ") + twoDigits(m) + QStringLiteral("mn ")
               + paddedSeconds(s, 2) + QLatin1Char('s');
    if (m > 0)
        return QStringLiteral("->     ") + twoDigits(m) + QStringLiteral("mn ") + paddedSeconds(s, 2)
               + QLatin1Char('s');
    if (s != 0)
        return QStringLiteral("->        ") + paddedSeconds(s, 4) + QLatin1Char('s');
    return QStringLiteral("->              0s");
}

void MSG_Tracer(const QString& strTexte, double dDebut)
{
    if (!Programme().bModeDebug)
        return;
    QFile fichier;
    if (!ouvrirTrace(fichier))
        return;
    if (strTexte.trimmed().isEmpty()) {
        fichier.write(CRLF.toUtf8());
        return;
    }
    const QString strColonne = dDebut == 0 ? QString(LARGEUR_COLONNE, QLatin1Char(' '))
                                           : formatElapsedColumn(MSG_Heure() - dDebut);
    QString strCorps = withoutTrailingLineBreaks(strTexte);
    const qsizetype nChevron = strCorps.indexOf(QLatin1Char('>'));
    const qsizetype p = nChevron < 0 ? 0 : nChevron + 2;
    strCorps = STR_Remplacer(strCorps, CRLF,
                             CRLF + QString(LARGEUR_COLONNE + 2, QLatin1Char(' ')) + QLatin1Char('\t')
                                 + QString(p, QLatin1Char(' ')),
                             STR_TOUTES);
    fichier.write((strColonne + QStringLiteral(" |\t") + strCorps + CRLF).toUtf8());
}

void MSG_InitialiserTrace()
{
    QFile::remove(MSG_CheminTrace());
}

}  // namespace kervane
