// AfficherTables: the tree of the database's tables and views with their columns, types
// and sizes, and the memo-column list the grid sizes its columns by.
#include "query/ArbreTables.h"

#include "access/Module_ODBC.h"
#include "messages/Piege.h"
#include "messages/Sablier.h"
#include "query/FenetrePrincipale.h"
#include "query/wndKervane.h"

#include <QAction>
#include <QLineEdit>
#include <QTabBar>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace kervane {

namespace {

const QString TYPE_MEMO = QStringLiteral("SQL_LONGVARCHAR");

}  // namespace

QString libelleType(const QString& strTypeODBC)
{
    static const std::pair<const char*, const char*> libelles[] = {
        {"SQL_CHAR", "texte"},           {"SQL_VARCHAR", "texte"},         {"SQL_NUMERIC", "numerique"},
        {"SQL_DECIMAL", "numerique"},    {"SQL_INTEGER", "numerique"},     {"SQL_SMALLINT", "numerique"},
        {"SQL_FLOAT", "numerique"},      {"SQL_REAL", "numerique"},        {"SQL_DOUBLE", "numerique"},
        {"SQL_BIGINT", "numerique"},     {"SQL_TINYINT", "numerique"},     {"SQL_DATE", "date"},
        {"SQL_TIME", "heure"},           {"SQL_TIMESTAMP", "date\\heure"}, {"SQL_LONGVARCHAR", "memo"},
        {"SQL_BINARY", "binaire"},       {"SQL_VARBINARY", "objet ole"},   {"SQL_LONGVARBINARY", "objet ole"},
        {"SQL_BIT", "(oui/non)"},
    };
    for (const auto& [szType, szLibelle] : libelles)
        if (strTypeODBC == QLatin1String(szType))
            return QString::fromUtf8(szLibelle);
    return QStringLiteral("type inconnu");
}

QString nomTableCite(const QString& strTable)
{
    const bool bSimple = !strTable.isEmpty() && std::all_of(strTable.begin(), strTable.end(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
    });
    return bSimple ? strTable : u'[' + strTable + u']';
}

QString wndKervane::cleImage(const QTreeWidgetItem* pNoeud)
{
    return pNoeud ? pNoeud->data(0, Qt::UserRole).toString() : QString();
}

void wndKervane::setNodeImage(QTreeWidgetItem* pNoeud, const QString& strImage)
{
    pNoeud->setData(0, Qt::UserRole, strImage);
    pNoeud->setIcon(0, m_imListe[strImage]);
}

QTreeWidgetItem* wndKervane::addNode(QTreeWidgetItem* pParent, const QString& strTexte, const QString& strImage)
{
    auto* pNoeud = pParent ? new QTreeWidgetItem(pParent) : new QTreeWidgetItem(tvwTables);
    pNoeud->setText(0, strTexte);
    setNodeImage(pNoeud, strImage);
    return pNoeud;
}

// Columns of one table or view: a column node with its type line and, except for memo
// columns, its size line. Only tables feed the memo-column list.
void wndKervane::addColumns(QTreeWidgetItem* pTable, const TableauTextes& tabChamps, bool bTable)
{
    const qint32 nChamps = tabChamps.texte(0, 0).toInt();
    for (qint32 j = 1; j <= nChamps; ++j) {
        const QString strType = tabChamps.texte(j, 2);
        QTreeWidgetItem* pChamp = addNode(pTable, tabChamps.texte(j, 1), QStringLiteral("champ"));
        addNode(pChamp, libelleType(strType), QStringLiteral("detail"));
        if (strType == TYPE_MEMO) {
            if (bTable)
                m_tabChampsMemo << tabChamps.texte(j, 1);
        } else {
            addNode(pChamp, tabChamps.texte(j, 3), QStringLiteral("detail"));
        }
    }
}

bool wndKervane::fillTree()
{
    if (nIndBase == 0)
        return false;
    TableauTextes tabTables;
    if (!ODBC_LireTables(nIndBase, tabTables))
        return false;
    const qint32 n = tabTables.texte(0, 0).toInt();
    QTreeWidgetItem* pTables = addNode(nullptr, QStringLiteral("TABLES"), QStringLiteral("base1"));
    qint32 nPremiereVue = 0;
    for (qint32 i = 1; i <= n; ++i) {
        const QString strType = tabTables.texte(i, 2);
        if (strType == QLatin1String("VIEW") && nPremiereVue == 0)
            nPremiereVue = i;
        if (strType != QLatin1String("TABLE"))
            continue;
        const QString strTable = tabTables.texte(i, 1);
        QTreeWidgetItem* pTable = addNode(pTables, strTable, QStringLiteral("table"));
        TableauTextes tabChamps;
        if (!ODBC_LireChampsTable(nIndBase, nomTableCite(strTable), tabChamps)) {
            pTable->setText(0, QStringLiteral(" "));
            return false;
        }
        addColumns(pTable, tabChamps, true);
    }
    if (nPremiereVue != 0) {
        QTreeWidgetItem* pVues = addNode(nullptr, QStringLiteral("VUES"), QStringLiteral("base1"));
        for (qint32 i = nPremiereVue; i <= n; ++i) {
            TableauTextes tabChamps;
            const QString strVue = tabTables.texte(i, 1);
            if (tabTables.texte(i, 2) == QLatin1String("VIEW") &&
                ODBC_LireChampsTable(nIndBase, nomTableCite(strVue), tabChamps))
                addColumns(addNode(pVues, strVue, QStringLiteral("table")), tabChamps, false);
        }
    }
    return true;
}

bool wndKervane::AfficherTables()
{
    tvwTables->clear();
    tabResultat_MouseDown(1, 0, (tabResultat->tabRect(tabIndex(QStringLiteral("tables"))).center().x()) * 15, 0);
    const Sablier sablier;
    return Pieger(QStringLiteral("Afficher_Table"), [this] {
        if (!fillTree())
            return false;
        showInformation(QStringLiteral(" Base:  ") + strLibelleBase);
        mnuFichierItem(6)->setEnabled(true);
        mnuFichierItem(2)->setEnabled(true);
        if (FenetrePrincipale* pPrincipale = principale())
            for (const char* szCle : {"Imprimer", "Fermer", "Copier", "Maximiser", "Regrouper_cellules"})
                pPrincipale->activerBouton(QString::fromLatin1(szCle), true);
        return true;
    });
}

// A root shows "base2" while its branch is open, "base1" when closed.
void wndKervane::updateRootImages()
{
    for (int i = 0; i < tvwTables->topLevelItemCount(); ++i) {
        QTreeWidgetItem* pRacine = tvwTables->topLevelItem(i);
        const bool bOuverte = pRacine->childCount() > 0 && pRacine->isExpanded();
        setNodeImage(pRacine, bOuverte ? QStringLiteral("base2") : QStringLiteral("base1"));
    }
}

void wndKervane::tvwTables_click()
{
    Pieger(QStringLiteral("tvwTables_click"), [this] {
        updateRootImages();
        return true;
    });
}

}  // namespace kervane
