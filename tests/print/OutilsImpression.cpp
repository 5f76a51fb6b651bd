#include "tests/print/OutilsImpression.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace kervane::test {
namespace {

const char* const VARIABLES[3] = {"PRINTER", "LPDEST", "CUPS_SERVER"};

QString run(const QString& strOutil, const QStringList& arguments)
{
    QProcess processus;
    processus.start(strOutil, arguments);
    if (!processus.waitForFinished(60000) || processus.exitCode() != 0)
        return {};
    return QString::fromUtf8(processus.readAllStandardOutput());
}

}  // namespace

void remplirGrille(vaSpread& grille, const QStringList& titres, const std::vector<QStringList>& lignes)
{
    grille.setReDraw(false);
    grille.setMaxCols(static_cast<qint32>(titres.size()));
    grille.setMaxRows(static_cast<qint32>(lignes.size()));
    for (qint32 c = 1; c <= grille.MaxCols(); ++c) {
        grille.setCol(c);
        grille.setRow(0);
        grille.setText(titres[c - 1]);
        double dLargeur = grille.TextWidth(titres[c - 1]);
        for (qint32 r = 1; r <= grille.MaxRows(); ++r) {
            const QString& strTexte = lignes[static_cast<std::size_t>(r - 1)][c - 1];
            grille.setRow(r);
            grille.setText(strTexte);
            dLargeur = std::max(dLargeur, grille.TextWidth(strTexte));
        }
        grille.setColWidth(c, std::min(dLargeur + 0.25, 30.0));
    }
    grille.setColWidth(0, grille.TextWidth(QString::number(grille.MaxRows())) + 1.0);
    for (qint32 r = 1; r <= grille.MaxRows(); ++r)
        grille.setRowHeight(r, grille.MaxTextRowHeight(r));
    grille.setReDraw(true);
}

void remplirGrilleNumerotee(vaSpread& grille, qint32 nColonnes, qint32 nLignes)
{
    QStringList titres;
    for (qint32 c = 1; c <= nColonnes; ++c)
        titres << QStringLiteral("Colonne%1").arg(c);
    std::vector<QStringList> lignes;
    for (qint32 r = 1; r <= nLignes; ++r) {
        QStringList ligne;
        for (qint32 c = 1; c <= nColonnes; ++c)
            ligne << QStringLiteral("L%1C%2").arg(r).arg(c);
        lignes.push_back(ligne);
    }
    remplirGrille(grille, titres, lignes);
}

EtatImpressionSauve::EtatImpressionSauve() : m_programme(Programme())
{
    for (int i = 0; i < 3; ++i)
        if (qEnvironmentVariableIsSet(VARIABLES[i]))
            m_variables[i] = qgetenv(VARIABLES[i]);
}

EtatImpressionSauve::~EtatImpressionSauve()
{
    EtatProgramme& programme = Programme();
    programme.strImprimante = m_programme.strImprimante;
    programme.descriptionImprimante = m_programme.descriptionImprimante;
    programme.nOrientationImpression = m_programme.nOrientationImpression;
    programme.bImpressionPrete = m_programme.bImpressionPrete;
    programme.bImpressionEnCours = m_programme.bImpressionEnCours;
    programme.bImprime = m_programme.bImprime;
    programme.bModeDebug = m_programme.bModeDebug;
    for (int i = 0; i < 3; ++i) {
        if (m_variables[i])
            qputenv(VARIABLES[i], *m_variables[i]);
        else
            qunsetenv(VARIABLES[i]);
    }
}

bool outilsPopplerPresents()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

PdfLu lirePdf(const QString& strChemin)
{
    PdfLu pdf;
    const QString strInfo = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                            QStringLiteral("-l"), QStringLiteral("9999"), strChemin});
    static const QRegularExpression taille(QStringLiteral(R"(^Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)"),
                                           QRegularExpression::MultilineOption);
    for (auto it = taille.globalMatch(strInfo); it.hasNext();) {
        const auto trouve = it.next();
        pdf.tailles.emplace_back(trouve.captured(1).toDouble(), trouve.captured(2).toDouble());
    }
    static const QRegularExpression titre(QStringLiteral(R"(^Title:\s+(.*)$)"), QRegularExpression::MultilineOption);
    pdf.strTitre = titre.match(strInfo).captured(1).trimmed();
    const QString strTexte = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), strChemin, QStringLiteral("-")});
    pdf.pages = strTexte.split(u'\f');
    if (!pdf.pages.isEmpty() && pdf.pages.back().trimmed().isEmpty())
        pdf.pages.removeLast();
    return pdf;
}

}  // namespace kervane::test
