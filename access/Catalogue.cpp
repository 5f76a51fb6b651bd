// The catalogue: every table and view of the data source, and the columns of one table.
#include "access/EtatODBC.h"
#include "access/FermetureInstruction.h"
#include "access/LectureValeurs.h"
#include "access/Module_ODBC.h"
#include "access/TexteODBC.h"
#include "access/TraceODBC.h"
#include "messages/Piege.h"
#include "messages/Sablier.h"
#include "messages/Trace.h"

#include <array>

namespace kervane {
namespace {

// Catalogue columns in the order of the tables array's columns 1 to 5.
const std::array<QString, 5> COLONNES_CATALOGUE = {
    QStringLiteral("TABLE_NAME"), QStringLiteral("TABLE_TYPE"), QStringLiteral("REMARKS"),
    QStringLiteral("TABLE_QUALIFIER"), QStringLiteral("TABLE_OWNER")};

QString columnName(SQLHSTMT h, SQLUSMALLINT c, SQLSMALLINT& nType, SQLULEN& nPrecision)
{
    SQLCHAR szNom[255] = {};
    SQLSMALLINT nLongueur = 0, nEchelle = 0, nNullable = 0;
    verifierODBC(SQLDescribeCol(h, c, szNom, sizeof szNom, &nLongueur, &nType, &nPrecision, &nEchelle, &nNullable));
    return texteDepuisODBC(szNom, qMin<qsizetype>(nLongueur, sizeof szNom - 1));
}

// For each result column 1..C, the tables array column it goes to (0: none).
std::vector<SQLSMALLINT> catalogueColumns(SQLHSTMT h, SQLSMALLINT nColonnes)
{
    std::vector<SQLSMALLINT> destination(static_cast<std::size_t>(nColonnes) + 1, 0);
    for (SQLSMALLINT c = 1; c <= nColonnes; ++c) {
        SQLSMALLINT nType = 0;
        SQLULEN nPrecision = 0;
        const QString strNom = columnName(h, static_cast<SQLUSMALLINT>(c), nType, nPrecision);
        for (std::size_t k = 0; k < COLONNES_CATALOGUE.size(); ++k)
            if (strNom == COLONNES_CATALOGUE[k] && static_cast<SQLSMALLINT>(k + 1) <= nColonnes)
                destination[static_cast<std::size_t>(c)] = static_cast<SQLSMALLINT>(k + 1);
    }
    return destination;
}

bool readTables(qint16 nIndice, TableauTextes& tabTables, double dDebut, qint64& nLues)
{
    EmplacementConnexion& e = etatODBC().emplacement(nIndice);
    const SQLHSTMT h = e.instruction.get();
    if (SQLTables(h, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0) != SQL_SUCCESS)
        return false;
    SQLLEN nAnnoncees = 0;
    verifierODBC(SQLRowCount(h, &nAnnoncees));
    SQLSMALLINT nColonnes = 0;
    verifierODBC(SQLNumResultCols(h, &nColonnes));
    const std::vector<SQLSMALLINT> destination = catalogueColumns(h, nColonnes);

    TableauTextes tab(1, nColonnes + 1);
    std::vector<QByteArray> ligne(static_cast<std::size_t>(nColonnes) + 1);
    ValeurLue valeur;
    while (SQLFetch(h) == SQL_SUCCESS) {
        for (auto& cellule : ligne)
            cellule.clear();
        for (SQLSMALLINT c = 1; c <= nColonnes; ++c) {
            lireValeur(h, static_cast<SQLUSMALLINT>(c), valeur);
            if (const SQLSMALLINT d = destination[static_cast<std::size_t>(c)])
                ligne[static_cast<std::size_t>(d)] = valeur.texte().toByteArray();
        }
        tab.commencerLigne();
        for (const QByteArray& cellule : ligne)
            tab.ajouterCellule(cellule);
        ++nLues;
    }
    tab.ajuster();
    tab.definir(0, 0, QString::number(nLues));
    tabTables = std::move(tab);
    tracerInstruction(ligneEtat(QStringLiteral("Lecture"), nIndice, e.strDSN, nLues, true),
                   QStringLiteral("Liste des tables"), dDebut);
    return true;
}

QString typeName(SQLSMALLINT nType)
{
    switch (nType) {
    case SQL_CHAR: return QStringLiteral("SQL_CHAR");
    case SQL_NUMERIC: return QStringLiteral("SQL_NUMERIC");
    case SQL_DECIMAL: return QStringLiteral("SQL_DECIMAL");
    case SQL_INTEGER: return QStringLiteral("SQL_INTEGER");
    case SQL_SMALLINT: return QStringLiteral("SQL_SMALLINT");
    case SQL_FLOAT: return QStringLiteral("SQL_FLOAT");
    case SQL_REAL: return QStringLiteral("SQL_REAL");
    case SQL_DOUBLE: return QStringLiteral("SQL_DOUBLE");
    case SQL_DATE: return QStringLiteral("SQL_DATE");
    case SQL_TIME: return QStringLiteral("SQL_TIME");
    case SQL_TIMESTAMP: return QStringLiteral("SQL_TIMESTAMP");
    case SQL_VARCHAR: return QStringLiteral("SQL_VARCHAR");
    case SQL_LONGVARCHAR: return QStringLiteral("SQL_LONGVARCHAR");
    case SQL_BINARY: return QStringLiteral("SQL_BINARY");
    case SQL_VARBINARY: return QStringLiteral("SQL_VARBINARY");
    case SQL_LONGVARBINARY: return QStringLiteral("SQL_LONGVARBINARY");
    case SQL_BIGINT: return QStringLiteral("SQL_BIGINT");
    case SQL_TINYINT: return QStringLiteral("SQL_TINYINT");
    case SQL_BIT: return QStringLiteral("SQL_BIT");
    default: return QStringLiteral("type inconnu");
    }
}

bool readColumns(qint16 nIndice, const QString& strTable, TableauTextes& tabChamps, double dDebut, qint64& nLues)
{
    EmplacementConnexion& e = etatODBC().emplacement(nIndice);
    const SQLHSTMT h = e.instruction.get();
    TexteODBC sql(QStringLiteral("Select * from ") + strTable + QStringLiteral(" Where 1=2"));
    verifierODBC(SQLExecDirect(h, sql.data(), sql.longueur()));
    SQLSMALLINT nColonnes = 0;
    verifierODBC(SQLNumResultCols(h, &nColonnes));

    TableauTextes tab(1, 4);
    for (SQLSMALLINT c = 1; c <= nColonnes; ++c) {
        SQLSMALLINT nType = 0;
        SQLULEN nPrecision = 0;
        const QString strNom = columnName(h, static_cast<SQLUSMALLINT>(c), nType, nPrecision);
        tab.commencerLigne();
        tab.ajouterCellule({});
        tab.ajouterCellule(strNom.toUtf8());
        tab.ajouterCellule(typeName(nType).toUtf8());
        tab.ajouterCellule(QByteArray::number(static_cast<qulonglong>(nPrecision)));
        nLues = c;
    }
    tab.definir(0, 0, QString::number(nColonnes));
    tabChamps = std::move(tab);
    tracerInstruction(ligneEtat(QStringLiteral("Lecture"), nIndice, e.strDSN, nColonnes, true),
                   QStringLiteral("Liste des colonnes de la table ") + strTable, dDebut);
    return true;
}

}  // namespace

bool ODBC_LireTables(qint16 nIndice, TableauTextes& tabTables)
{
    Sablier sablier;
    const double dDebut = MSG_Heure();
    FermetureInstruction fermeture(nIndice);
    qint64 nLues = 0;
    return Pieger(
        QStringLiteral("ODBC_LireTables"), [&] { return readTables(nIndice, tabTables, dDebut, nLues); },
        [&](const ErreurPiegee&) {
            tracerInstruction(ligneEtat(QStringLiteral("Lecture"), nIndice, dsnOfSlot(nIndice), nLues, false),
                           QStringLiteral("Liste des tables"), 0);
        });
}

bool ODBC_LireChampsTable(qint16 nIndice, const QString& strTable, TableauTextes& tabChamps)
{
    Sablier sablier;
    const double dDebut = MSG_Heure();
    FermetureInstruction fermeture(nIndice);
    qint64 nLues = 0;
    return Pieger(
        QStringLiteral("ODBC_LireChampsTable"),
        [&] { return readColumns(nIndice, strTable, tabChamps, dDebut, nLues); },
        [&](const ErreurPiegee&) {
            tracerInstruction(ligneEtat(QStringLiteral("Lecture"), nIndice, dsnOfSlot(nIndice), nLues, false),
                           QStringLiteral("Liste des colonnes de la table ") + strTable, 0);
        });
}

}  // namespace kervane
