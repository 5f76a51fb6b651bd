#pragma once
// wndKervane: the query window on one database, a child of the main window. Its public
// members are those the opening sequence and the other windows read and write; its
// procedures keep the names the rest of the system calls them by.
#include "query/GlisserNoms.h"
#include "query/Requete.h"

#include <QIcon>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <map>
#include <memory>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace kervane {

class FenetrePrincipale;
class TableauTextes;
class vaSpread;

class wndKervane : public QWidget {
    Q_OBJECT

public:
    explicit wndKervane(QWidget* pParent = nullptr);
    ~wndKervane() override;

    // Public members
    QString strLibelleBase;
    QString strBase;
    bool bAdministration = false;
    QString strCleBase;  // the database's key name under "Requetes", set by ChargerRequetes
    qint16 nIndBase = 0;
    qint16 nOccurrence = 0;

    // The window's Tag: its connection number as text once it is a query window.
    QString Tag() const { return m_strTag; }
    void setTag(const QString& strTag) { m_strTag = strTag; }

    // History (Historique.cpp): list size, loading and storing, recording a statement.
    bool LireParametres();
    bool ChargerRequetes();
    bool SauvegarderRequetes();
    void enregistrerRequete(const QString& strRequete, const QString& strPositions);
    QString positionsRequete(int nIndex) const;
    void cboRequetes_Click();
    void ediRequete_Change();

    // Tables tree (ArbreTables.cpp).
    bool AfficherTables();
    void tvwTables_click();
    const QStringList& champsMemo() const { return m_tabChampsMemo; }
    static QString cleImage(const QTreeWidgetItem* pNoeud);

    // Run (Execution.cpp). The editor's text is handed over with CR LF line breaks.
    void btnLancer_Click();
    // The main window's "Annuler" key: stops the statement running (Échap does the same).
    bool annulerRequete();
    // The status bar's text while a statement runs, after that many milliseconds.
    static QString texteExecutionEnCours(qint64 nMillisecondes);
    QString texteRequete() const;
    void definirTexteRequete(const QString& strTexte);

    // Result grid (Grille.cpp).
    void remplirGrille(TableauTextes&& tabLignes);  // takes the array's rows over
    bool FormatterGrille(qint32& nIndiceColonne, qint32 nIndiceLigneDebut, qint32 nNbLigne);
    bool AfficherGrilleNonFormattee();
    bool RedimensionnerGrille();

    // Edition menu and grid interaction (Edition.cpp).
    void mnuEdition_Click(int nIndex);
    bool Copier();
    bool Exporter();
    bool Imprimer();
    void griRequetes_Click(qint32 nCol, qint32 nRow);
    void griRequetes_KeyDown(qint32 nKeyCode);
    void griRequetes_ColWidthChange(qint32 nCol1, qint32 nCol2);
    void griRequetes_RowHeightChange(qint32 nRow1, qint32 nRow2);
    void griRequetes_DblClick(qint32 nCol, qint32 nRow);
    void griRequetes_MouseDown(qint32 nButton, qint32 nShift, qint32 x, qint32 y);
    qint32 ligneMarquee() const { return m_nLigneMarquee; }

    // Layout (Disposition.cpp).
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    bool MaximiserTableau();
    bool estMaximise() const { return m_bMaximise; }

    // Tabs and information line (Onglets.cpp); x in twips.
    void tabResultat_MouseDown(int nButton, int nShift, int x, int y);
    void tabResultat_GotFocus();
    QString ongletCourant() const;

    // Menus, double click, closing (Menus.cpp, Fermeture.cpp).
    void mnuFichier_Click(int nIndex);
    void mnuFenetre_Click(int nIndex);
    void mnuDebug_Click(int nIndex);
    void mnuAbout_Click(int nIndex);
    void Form_dblClick();
    void Form_Unload();
    // Label + " - " + path, with "  [n]" when asked.
    QString titre(bool bAvecOccurrence) const;

    // Tree mouse handlers (GlisserNoms.cpp); X and Y in twips.
    void tvwTables_MouseDown(int nButton, int nShift, float x, float y);
    void tvwTables_MouseMove(int nButton, int nShift, float x, float y);
    void tvwTables_MouseUp(int nButton, int nShift, float x, float y);
    const EtatGlisser& etatGlisser() const { return m_glisser; }

    // The window's menus, by menu and item index, as the main window shows them while
    // this window is active.
    QMenu* mnuFichier() const { return m_pMnuFichier; }
    QMenu* mnuEdition() const { return m_pMnuEdition; }
    QMenu* mnuDebug() const { return m_pMnuDebug; }
    QMenu* mnuFenetre() const { return m_pMnuFenetre; }
    QMenu* mnuAbout() const { return m_pMnuAbout; }
    QAction* mnuFichierItem(int nIndex) const { return item(m_fichier, nIndex); }
    QAction* mnuEditionItem(int nIndex) const { return item(m_edition, nIndex); }

    // Controls
    QGroupBox* cadConception = nullptr;
    QPushButton* btnLancer = nullptr;
    QComboBox* cboRequetes = nullptr;
    QPlainTextEdit* ediRequete = nullptr;
    QLabel* txtConception = nullptr;
    QLabel* txtNouvelleRequete = nullptr;
    QGroupBox* cadResultat = nullptr;
    QTabBar* tabResultat = nullptr;
    QLineEdit* ediResultat = nullptr;
    QLabel* txtDimensionGrille = nullptr;
    QWidget* cadTables = nullptr;
    QTreeWidget* tvwTables = nullptr;
    QWidget* cadResultat2 = nullptr;
    vaSpread* griRequetes = nullptr;

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pObjet, QEvent* pEvent) override;
    // Starts the drag of a tree name; tests record it instead of running a drag loop.
    virtual void lancerGlisser(std::unique_ptr<QMimeData> pDonnees);

private:
    static QAction* item(const std::map<int, QAction*>& items, int nIndex);
    static FenetrePrincipale* principale();
    // The loaded query windows bound to the same connection, this one included.
    QList<wndKervane*> fenetresMemeBase() const;

    // Construction (Controles.cpp, Menus.cpp, ImagesArbre.cpp).
    void buildControls();
    void buildResultControls();
    void connectControls();
    void buildRunKeys();
    void buildMenus();
    void connectMenus();
    void buildImages();
    void followSubWindow();

    // Grid commands (Edition.cpp).
    bool gridCopyKey(QEvent* pEvent);

    // Run road (Execution.cpp).
    bool runStatement();
    // strBilan: what the status bar says afterwards, empty for nothing.
    bool runSelection(const QString& strRequete, QString& strBilan);
    bool runChange(const QString& strRequete, GenreRequete genre, QString& strBilan);
    void selectFaultyToken(const QString& strMessage, const QString& strRequete);
    void successTail(const QString& strRequete, const QString& strPositions);
    void finalStep();
    void enableResultCommands();

    // Grid (Grille.cpp).
    void fillCells(TableauTextes&& tabLignes);
    void copyRows(const TableauTextes& tabLignes, qsizetype nLignes);
    void outlineEveryCell();
    void sizeEmptyResult();
    double columnWidth(qint32 nCol) const;
    void fitColumn(qint32 nCol);
    // What fitting every column learnt on its way through the rows: for each column, whether
    // it took the memo width (its texts may be wider), and the rows where a text of a column
    // fitted to its widest holds a line break (the only texts there that take more than one line).
    struct ColonnesAjustees {
        std::vector<bool> memos;
        std::vector<qint32> lignesASauts;
    };
    ColonnesAjustees fitAllColumns();
    void fitRowHeights(qint32 nRow1, qint32 nRow2, bool bSeulementPlusHaut);
    // `ajustees` (from fitAllColumns): only the rows it noted and the memo columns are looked at.
    void fitRowsToTexts(const ColonnesAjustees* ajustees = nullptr);
    void showDimension();
    bool isMemoColumn(const QString& strTexte) const;
    void frameRun(qint32 nCol, qint32 nLigne1, qint32 nLigne2);

    // Tree (ArbreTables.cpp).
    bool fillTree();
    QTreeWidgetItem* addNode(QTreeWidgetItem* pParent, const QString& strTexte, const QString& strImage);
    void addColumns(QTreeWidgetItem* pTable, const TableauTextes& tabChamps, bool bTable);
    void setNodeImage(QTreeWidgetItem* pNoeud, const QString& strImage);
    void updateRootImages();

    // Layout and toolbar (Disposition.cpp).
    void applyLayout();
    void showMaximiseState();
    void syncToolbar();
    bool isMinimisedWindow() const;

    // Tabs (Onglets.cpp).
    void showTab(const QString& strCle);
    void showInformation(const QString& strTexte);
    int tabIndex(const QString& strCle) const;

    // Tree drag (GlisserNoms.cpp).
    bool treeMouseEvent(QEvent* pEvent);
    void startNameDrag();

    QString m_strTag;
    QMenu* m_pMnuFichier = nullptr;
    QMenu* m_pMnuEdition = nullptr;
    QMenu* m_pMnuDebug = nullptr;
    QMenu* m_pMnuFenetre = nullptr;
    QMenu* m_pMnuAbout = nullptr;
    std::map<int, QAction*> m_fichier;
    std::map<int, QAction*> m_edition;
    std::map<int, QAction*> m_fenetre;
    std::map<int, QAction*> m_aide;
    std::map<QString, QIcon> m_imListe;
    QFrame* m_pPanneauOnglets = nullptr;  // the pane under the tabs that the pages lie on

    QStringList m_tabChampsMemo;          // memo columns of the tables, in tree order
    qint32 m_nLigneMarquee = 0;           // grid row whose number is bold; 0: none
    qint32 m_nPresseX = 0;                // last press on the grid, for the double click
    qint32 m_nPresseY = 0;
    double m_dLargeurEnteteLignes = 0.0;  // the row-title column's width when not widened
    QString m_strRequeteGrille;           // the statement whose rows the grid shows
    bool m_bMaximise = false;
    bool m_bDecharge = false;
    QMetaObject::Connection m_suiviSousFenetre;  // the sub-window's activation, while in one
    EtatGlisser m_glisser;
};

}  // namespace kervane
