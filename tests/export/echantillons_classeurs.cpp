// Writes sample workbooks for the reader-side checks (verifier_classeurs.py): a grouped
// result with blocks, a plain 30-column result with a long memo and rows of several lines,
// blocks that nest, overlap and touch with the frame of every cell drawn by hand, each with
// a JSON file saying what the sheet must show. Exits non-zero when an export
// fails or asks anything.
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
    std::vector<int> lignesAffichees;  // lines each grid row shows, when the sample states them
    QJsonObject bords;  // "row,col" of the grid -> its framed sides, when drawn by hand
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

// Rows of one, two, three and four lines: line breaks, and words of ten digits that wrap two
// to a line in the memo column (25 characters on the sheet) and one to a line in the note
// column (15), a digit being the unit of a column's width.
Echantillon hauteurs()
{
    Echantillon e;
    e.strNom = QStringLiteral("hauteurs");
    e.titres = {QStringLiteral("CODE"), QStringLiteral("MÉMO"), QStringLiteral("NOTE")};
    const QString strMot = QStringLiteral("0123456789");
    e.lignes = {{QStringLiteral("A1"), QStringLiteral("court"), QStringLiteral("x")},
                {QStringLiteral("A2"), QStringLiteral("Ligne 1\r\nLigne 2\r\nLigne 3"), QString()},
                {QStringLiteral("A3"), QStringList(8, strMot).join(u' '), QStringLiteral("x")},
                {QStringLiteral("A4"), QStringLiteral("Un\r\nDeux"), strMot + u' ' + strMot},
                {QStringLiteral("A5"), QStringLiteral("fin"), QString()}};
    e.largeurs = {6, 20, 10};
    e.lignesAffichees = {1, 3, 4, 2, 1};
    return e;
}

// Blocks that nest, overlap, touch and run down the grid, listed out of row order, one
// reaching outside the grid (left out); remarked cells and empty cells inside frames.
Echantillon cadres()
{
    Echantillon e;
    e.strNom = QStringLiteral("cadres");
    e.titres = {QStringLiteral("CODE"), QStringLiteral("NOM"), QStringLiteral("VILLE"), QStringLiteral("TOTAL")};
    e.lignes = {{QStringLiteral("A1"), QStringLiteral("Émile"), QStringLiteral("Besançon"), QStringLiteral("10")},
                {QStringLiteral(" "), QStringLiteral("Zoé"), QString(), QString()},
                {QStringLiteral(" "), QString(), QStringLiteral("Nîmes"), QStringLiteral("2,5")},
                {QStringLiteral("B2"), QStringLiteral("Gaëlle"), QStringLiteral("Orléans"), QStringLiteral("-7")},
                {QStringLiteral(" "), QStringLiteral("Hélène"), QString(), QString()},
                {QStringLiteral(" "), QStringLiteral("Loïc"), QStringLiteral("Créteil"), QStringLiteral("0")}};
    e.largeurs = {6, 10, 10, 8};
    e.blocs = {{4, 6, 4, 6}, {1, 1, 1, 6}, {2, 1, 4, 2}, {3, 2, 3, 2}, {2, 4, 4, 4}, {2, 5, 3, 6}, {3, 6, 5, 7}};
    e.nombres = {{QStringLiteral("1,4"), 10}, {QStringLiteral("3,4"), 2.5}, {QStringLiteral("4,4"), -7},
                 {QStringLiteral("6,4"), 0}};
    e.remarquees = {QPoint(3, 2), QPoint(2, 4)};
    // Drawn by hand: each block's outer edges; cells not listed have no frame.
    const auto cote = [](std::initializer_list<const char*> cotes) {
        QJsonArray a;
        for (const char* psz : cotes)
            a.append(QLatin1String(psz));
        return a;
    };
    e.bords = {{QStringLiteral("1,1"), cote({"top", "left", "right"})},
               {QStringLiteral("1,2"), cote({"top", "left"})},
               {QStringLiteral("1,3"), cote({"top"})},
               {QStringLiteral("1,4"), cote({"top", "right"})},
               {QStringLiteral("2,1"), cote({"left", "right"})},
               {QStringLiteral("2,2"), cote({"bottom", "left"})},
               {QStringLiteral("2,3"), cote({"top", "bottom", "left", "right"})},
               {QStringLiteral("2,4"), cote({"bottom", "right"})},
               {QStringLiteral("3,1"), cote({"left", "right"})},
               {QStringLiteral("4,1"), cote({"left", "right"})},
               {QStringLiteral("4,2"), cote({"top", "bottom", "left"})},
               {QStringLiteral("4,3"), cote({"top", "bottom"})},
               {QStringLiteral("4,4"), cote({"top", "bottom", "right"})},
               {QStringLiteral("5,1"), cote({"left", "right"})},
               {QStringLiteral("5,2"), cote({"top", "left"})},
               {QStringLiteral("5,3"), cote({"top", "right"})},
               {QStringLiteral("6,1"), cote({"left", "right", "bottom"})},
               {QStringLiteral("6,2"), cote({"bottom", "left"})},
               {QStringLiteral("6,3"), cote({"bottom", "right"})},
               {QStringLiteral("6,4"), cote({"top", "bottom", "left", "right"})}};
    return e;
}

QJsonArray tableau(const QStringList& textes)
{
    return QJsonArray::fromStringList(textes);
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

    QJsonArray lignes, largeurs, blocs, remarquees, lignesAffichees;
    for (const QStringList& ligne : e.lignes)
        lignes.append(tableau(ligne));
    for (double d : e.largeurs)
        largeurs.append(d);
    for (const BlocCellules& b : e.blocs)
        blocs.append(QJsonArray{b.nColonne1, b.nLigne1, b.nColonne2, b.nLigne2});
    for (const QPoint& p : e.remarquees)
        remarquees.append(QJsonArray{p.x(), p.y()});
    for (int n : e.lignesAffichees)
        lignesAffichees.append(n);
    QJsonObject attendu{{QStringLiteral("date"), entete.date.toString(Qt::ISODate)},
                              {QStringLiteral("b3"), entete.strLibelleBase + QStringLiteral(" - ") + entete.strBase},
                              {QStringLiteral("b5"), QStringLiteral("Requête: ") + entete.strTexteResultat},
                              {QStringLiteral("titres"), tableau(e.titres)},
                              {QStringLiteral("lignes"), lignes},
                              {QStringLiteral("largeurs"), largeurs},
                              {QStringLiteral("blocs"), blocs},
                              {QStringLiteral("nombres"), e.nombres},
                              {QStringLiteral("remarquees"), remarquees},
                              {QStringLiteral("lignes_affichees"), lignesAffichees}};
    if (!e.bords.isEmpty())
        attendu[QStringLiteral("bords")] = e.bords;
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
    const bool bOk = test::ecrire(test::groupe(), strDossier) && test::ecrire(test::simple(), strDossier) &&
                     test::ecrire(test::hauteurs(), strDossier) && test::ecrire(test::cadres(), strDossier);
    for (const test::QuestionPosee& question : repondeur.questions())
        std::fprintf(stderr, "message: %s\n", qPrintable(question.strTexte));
    return bOk && repondeur.questions().empty() ? 0 : 1;
}
