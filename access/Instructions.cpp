// Running statements: ODBC_Executer for changes, ODBC_SelectionnerDansTableau for rows. Their
// ODBC calls may run on a worker thread (ExecutionEnFond.h); the trace and the trap stay here.
#include "access/EtatODBC.h"
#include "access/ExecutionEnFond.h"
#include "access/FermetureInstruction.h"
#include "access/LectureValeurs.h"
#include "access/Module_ODBC.h"
#include "access/TexteODBC.h"
#include "access/TraceODBC.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"
#include "messages/Trace.h"

#include <vector>

namespace kervane {
namespace {

constexpr qsizetype CROISSANCE = 500;

struct Colonne {
    SQLSMALLINT nType = 0;
    bool bConvertir = false;  // its values take the system's text form (dates, floating point)
    qsizetype nLargeur = 0;
};

// Describes the result columns; with header rows, fills their names (row 1) and widths.
std::vector<Colonne> describeColumns(SQLHSTMT h, SQLSMALLINT nColonnes, TableauTextes& tab, bool bEntetes)
{
    std::vector<Colonne> colonnes(static_cast<std::size_t>(nColonnes) + 1);
    for (SQLUSMALLINT c = 1; c <= nColonnes; ++c) {
        SQLCHAR szNom[255] = {};
        SQLSMALLINT nLongueurNom = 0, nEchelle = 0, nNullable = 0;
        SQLULEN nPrecision = 0;
        verifierODBC(SQLDescribeCol(h, c, szNom, sizeof szNom, &nLongueurNom, &colonnes[c].nType, &nPrecision, &nEchelle,
                             &nNullable));
        const QString strNom = texteDepuisODBC(szNom, qMin<qsizetype>(nLongueurNom, sizeof szNom - 1));
        colonnes[c].bConvertir = typeAConvertir(colonnes[c].nType);
        colonnes[c].nLargeur = strNom.size() + 1;
        if (bEntetes)
            tab.definir(1, c, strNom);
    }
    return colonnes;
}

// Fetches every row into the array; nLues counts the rows read so far (for the trace). A
// fetch that fails ends the rows, unless the statement was cancelled meanwhile: its rows
// are then incomplete and the cancel is the statement's failure.
void fetchRows(SQLHSTMT h, SQLLEN nAnnoncees, char cSeparateur, std::vector<Colonne>& colonnes, TableauTextes& tab,
               qint64& nLues)
{
    const auto nColonnes = static_cast<SQLUSMALLINT>(colonnes.size() - 1);
    // Without a row count from the driver, room for 500 rows first; the array then grows
    // geometrically (a large block is moved by the system, not copied) and is trimmed to its
    // rows in place at the end.
    annoncerLignes();
    tab.reserver(nAnnoncees >= 0 ? nAnnoncees : CROISSANCE);
    ValeurLue valeur;
    nLues = 0;
    SQLRETURN nCode = SQL_SUCCESS;
    while ((nCode = SQLFetch(h)) == SQL_SUCCESS) {
        if (nAnnoncees >= 0 && nLues >= nAnnoncees)
            LeverErreur(ERREUR_INDICE);  // more rows than the driver announced
        tab.commencerLigne();
        tab.ajouterCellule({});
        for (SQLUSMALLINT c = 1; c <= nColonnes; ++c) {
            lireValeur(h, c, valeur);
            if (colonnes[c].bConvertir)
                convertirValeur(colonnes[c].nType, valeur, cSeparateur);
            tab.ajouterCellule(valeur.texte());
            if (valeur.nDerniereLongueur > colonnes[c].nLargeur - 1) {
                const qsizetype nCaracteres = caracteresFinaux(valeur.texte(), valeur.nDerniereLongueur);
                colonnes[c].nLargeur = qMax(colonnes[c].nLargeur, nCaracteres + 1);
            }
        }
        ++nLues;
    }
    if (nCode == SQL_ERROR && annulationDemandee())
        LeverErreurODBC();
    tab.ajuster();
}

// The ODBC calls of a selection (on the worker thread when it runs in the background): the
// array with its column names, widths and row count.
void readRows(SQLHSTMT h, const QString& strSQL, bool bEntetes, char cSeparateur, TableauTextes& tab, qint64& nLues)
{
    TexteODBC sql(strSQL);
    verifierODBC(SQLExecDirect(h, sql.data(), sql.longueur()));
    SQLLEN nAnnoncees = 0;
    verifierODBC(SQLRowCount(h, &nAnnoncees));
    SQLSMALLINT nColonnes = 0;
    verifierODBC(SQLNumResultCols(h, &nColonnes));

    tab = TableauTextes(2, nColonnes + 1);
    std::vector<Colonne> colonnes = describeColumns(h, nColonnes, tab, bEntetes);
    fetchRows(h, nAnnoncees, cSeparateur, colonnes, tab, nLues);
    if (bEntetes)
        for (SQLSMALLINT c = 1; c <= nColonnes; ++c)
            tab.definir(0, c, QString::number(colonnes[static_cast<std::size_t>(c)].nLargeur));
    tab.definir(0, 0, QString::number(nLues));
}

char decimalSeparator()
{
    const QString& strSeparateur = Programme().strSeparateurDecimal;
    return strSeparateur.isEmpty() ? '.' : strSeparateur.at(0).toLatin1();
}

bool select(qint16 nIndice, const QString& strSQL, TableauTextes& tabResultat, bool bEntetes, double dDebut,
            qint64& nLues)
{
    EmplacementConnexion& e = etatODBC().emplacement(nIndice);
    const SQLHSTMT h = e.instruction.get();
    const char cSeparateur = decimalSeparator();
    TableauTextes tab;
    executerAppelsODBC(nIndice, [&] { readRows(h, strSQL, bEntetes, cSeparateur, tab, nLues); });
    tabResultat = std::move(tab);
    tracerInstruction(ligneEtat(QStringLiteral("Lecture"), nIndice, e.strDSN, nLues, true), strSQL, dDebut);
    return true;
}

bool execute(qint16 nIndice, const QString& strSQL, qint32& nLignes, double dDebut)
{
    EmplacementConnexion& e = etatODBC().emplacement(nIndice);
    const SQLHSTMT h = e.instruction.get();
    SQLLEN nCompte = 0;
    executerAppelsODBC(nIndice, [&] {
        TexteODBC sql(strSQL);
        verifierODBC(SQLExecDirect(h, sql.data(), sql.longueur()));
        verifierODBC(SQLRowCount(h, &nCompte));
    });
    nLignes = static_cast<qint32>(nCompte);
    tracerInstruction(ligneEtat(QStringLiteral("Executer"), nIndice, e.strDSN, nLignes, true), strSQL, dDebut);
    return true;
}

}  // namespace

bool ODBC_Executer(qint16 nIndice, const QString& strSQL, qint32& nLignes)
{
    Sablier sablier;
    const double dDebut = MSG_Heure();
    FermetureInstruction fermeture(nIndice);
    return Pieger(
        QStringLiteral("ODBC_Executer"),
        [&] { return execute(nIndice, strSQL, nLignes, dDebut); },
        [&](const ErreurPiegee&) {
            tracerInstruction(ligneEtat(QStringLiteral("ExecSQL"), nIndice, dsnOfSlot(nIndice), nLignes, false), strSQL, 0);
        });
}

bool ODBC_SelectionnerDansTableau(qint16 nIndice, const QString& strSQL, TableauTextes& tabResultat, bool bEntetes)
{
    Sablier sablier;
    const double dDebut = MSG_Heure();
    FermetureInstruction fermeture(nIndice);
    qint64 nLues = -1;
    return Pieger(
        QStringLiteral("ODBC_SelectionnerDansTableau"),
        [&] { return select(nIndice, strSQL, tabResultat, bEntetes, dDebut, nLues); },
        [&](const ErreurPiegee&) {
            tracerInstruction(ligneEtat(QStringLiteral("Lecture"), nIndice, dsnOfSlot(nIndice), nLues, false), strSQL, 0);
        });
}

}  // namespace kervane
