// Writes sample workbooks for the reader-side checks (verifier_classeurs.py): a grouped
// result with blocks and a plain 30-column result with a long memo and rows of several
// lines, each with a JSON file saying what the sheet must show (the frames of nested and
// overlapping blocks are checked in test_bords_blocs.cpp, row heights in
// test_hauteur_ligne.cpp). Exits non-zero when an export fails or asks anything.
#include "export/ExporterTableau.h"
#include "GrilleExemple.h"
#include "tests/support/RepondeurScripte.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace kervane::test {
namespace {

struct Echantillon {
    QString strNom;
    QStringList titres;
    std::vector<QStringList> lignes;
    std::vector<double> largeurs;
    std::vector<BlocCellules> blocs;
    QJsonObject nombres;          // "row,col" of the grid -> the number expected on the sheet
    std::vector<QPoint> remarquees;  // (col, row) shown in colour 41
};

Echantillon groupe()
{
    Echantillon e;
    e.strNom = QStringLiteral("groupe");
    e.titres = {QStringLiteral("CLIENT"), QStringLiteral("VILLE"), QStringLiteral("MONTANT")};
    e.lignes = {{QStringLiteral("Crème Brûlée SARL"), QStringLiteral("Besançon"), QStringLiteral(" 12 ")},
                {QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("3,5")},
                {QStringLiteral(" "), QStringLiteral("Nîmes"), QStringLiteral("007")},
                {QStringLiteral("Œuvres d'Été"), QStringLiteral("Zürich"), QStringLiteral("-4")},
                {QStringLiteral(" "), QStringLiteral("Ligne 1\r\nLigne 2\rfin"), QString()}};
    e.largeurs = {18.5, 9, 8};
    // As the grouped display frames its runs.
    e.blocs = {{1, 1, 1, 3}, {2, 1, 2, 2}, {3, 1, 3, 1}, {3, 2, 3, 2}, {2, 3, 2, 3}, {3, 3, 3, 3},
               {1, 4, 1, 5}, {2, 4, 2, 5}, {3, 4, 3, 4}, {3, 5, 3, 5}};
    e.nombres = {{QStringLiteral("1,3"), 12}, {QStringLiteral("2,3"), 3.5}, {QStringLiteral("4,3"), -4}};
    e.remarquees = {QPoint(1, 4), QPoint(3, 2)};
    return e;
}

Echantillon simple()
{
    Echantillon e;
    e.strNom = QStringLiteral("simple");
    for (int c = 1; c <= 30; ++c) {
        const QString strTitre = QStringLiteral("COL%1").arg(c, 2, 10, QChar(u'0'));
        e.titres << (c == 2 ? QStringLiteral("DÉSIGNATION") : c == 5 ? QStringLiteral("MÉMO") : strTitre);
        e.largeurs.push_back(c == 5 ? 50 : 6 + c % 7);
    }
    const QString strMemo = QStringLiteral("Réunion à Besançon, œuvres « été ».\n").repeated(125);  // 4500
    for (int r = 1; r <= 12; ++r) {
        QStringList ligne;
        for (int c = 1; c <= 30; ++c)
            ligne << ((r + c) % 4 == 0 ? QString() : QStringLiteral("L%1C%2 é").arg(r).arg(c));
        e.lignes.push_back(ligne);
    }
    e.lignes[0][4] = strMemo;
    e.lignes[1][4] = QStringLiteral("ü").repeated(40000);  // longer than a cell holds
    return e;
}

bool ecrire(const Echantillon& e, const QString& strDossier)
{
    vaSpread grille;
    remplirGrille(grille, e.titres, e.lignes);
    for (std::size_t c = 0; c < e.largeurs.size(); ++c)
        grille.setColWidth(static_cast<qint32>(c + 1), e.largeurs[c]);
    for (const QPoint& p : e.remarquees)
        colorerCellule(grille, p.x(), p.y(), COULEUR_GRILLE_REMARQUEE);
    colorerCellule(grille, 2, 1, 0xC00000);  // any other colour leaves the cell plain
    const EnteteExport entete{QStringLiteral("Démo Velmora"), QStringLiteral("/bases/Été/Velmora.mdb"),
                              QStringLiteral("%1 ligne(s) trouvée(s)").arg(e.lignes.size()), QDate::currentDate()};
    std::vector<BlocCellules> tabBlocs = e.blocs;
    if (!ExporterTableau(strDossier + QLatin1Char('/') + e.strNom + QStringLiteral(".xlsx"), grille, tabBlocs, entete))
        return false;

    QJsonArray lignes, largeurs, blocs, remarquees;
    for (const QStringList& ligne : e.lignes)
        lignes.append(QJsonArray::fromStringList(ligne));
    for (double d : e.largeurs)
        largeurs.append(d);
    for (const BlocCellules& b : e.blocs)
        blocs.append(QJsonArray{b.nColonne1, b.nLigne1, b.nColonne2, b.nLigne2});
    for (const QPoint& p : e.remarquees)
        remarquees.append(QJsonArray{p.x(), p.y()});
    QJsonObject attendu{{QStringLiteral("date"), entete.date.toString(Qt::ISODate)},
                              {QStringLiteral("b3"), entete.strLibelleBase + QStringLiteral(" - ") + entete.strBase},
                              {QStringLiteral("b5"), QStringLiteral("Requête: ") + entete.strTexteResultat},
                              {QStringLiteral("titres"), QJsonArray::fromStringList(e.titres)},
                              {QStringLiteral("lignes"), lignes},
                              {QStringLiteral("largeurs"), largeurs},
                              {QStringLiteral("blocs"), blocs},
                              {QStringLiteral("nombres"), e.nombres},
                              {QStringLiteral("remarquees"), remarquees}};
    QFile fichier(strDossier + QLatin1Char('/') + e.strNom + QStringLiteral(".json"));
    return fichier.open(QIODevice::WriteOnly) && fichier.write(QJsonDocument(attendu).toJson()) > 0;
}

}  // namespace
}  // namespace kervane::test

int main(int argc, char** argv)
{
    using namespace kervane;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    test::RepondeurScripte repondeur;
    Programme().strSeparateurDecimal = QStringLiteral(",");
    const QString strDossier = QString::fromLocal8Bit(argv[1]);
    const bool bOk = test::ecrire(test::groupe(), strDossier) && test::ecrire(test::simple(), strDossier);
    for (const test::QuestionPosee& question : repondeur.questions())
        std::fprintf(stderr, "message: %s\n", qPrintable(question.strTexte));
    return bOk && repondeur.questions().empty() ? 0 : 1;
}
