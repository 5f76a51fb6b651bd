#pragma once
// What a query window asks of the main window: its toolbar, its status bar, the opening
// sequence, quitting, help, arranging the windows and the list of open query windows.
// The main window (wndMDI) implements it; tests may stand in for it.
#include <QList>
#include <QString>

namespace kervane {

class wndKervane;

class FenetrePrincipale {
public:
    virtual ~FenetrePrincipale() = default;

    // Toolbar tobBoutons, by button key ("Ouvrir", "Imprimer", "Fermer", "Copier", "Maximiser",
    // "Regrouper_cellules", "Aide").
    virtual void activerBouton(const QString& strCle, bool bActif) = 0;
    virtual void enfoncerBouton(const QString& strCle, bool bEnfonce) = 0;
    virtual bool boutonEnfonce(const QString& strCle) const = 0;
    // Image key ("Maximiser" or "Reduction") and tooltip of a button.
    virtual void definirBouton(const QString& strCle, const QString& strImage, const QString& strInfobulle) = 0;
    virtual QString imageBouton(const QString& strCle) const = 0;
    virtual QString infobulleBouton(const QString& strCle) const = 0;

    // GES_AfficherMessageStatus on the main window's status bar.
    virtual bool afficherMessageStatus(const QString& strMessage, int nGenre, bool bTemporaire,
                                       bool bArreterMinuterie) = 0;

    // The opening sequence (with or without the open dialog), quitting, the help menu.
    virtual bool Ouvrir(bool bDlg) = 0;
    virtual void Quitter() = 0;
    virtual void mnuAbout_Click(int nIndex) = 0;
    // Debug menu: the trace log in the configured editor.
    virtual void editerTrace() = 0;
    // Window menu: 1 tiled horizontally, 2 tiled vertically, 3 cascaded, 4 icons lined up.
    virtual void arranger(int nIndex) = 0;

    // "&Exporter..." and "&Imprimer..." of a query window whose grid has rows: the dialog is
    // loaded, then shown modally unless its loading said it cannot work.
    virtual void exporter(wndKervane& fenetre) { (void)fenetre; }
    virtual void imprimer(wndKervane& fenetre) { (void)fenetre; }

    // The loaded query windows, in the order they were created.
    virtual QList<wndKervane*> fenetresRequetes() const = 0;
};

}  // namespace kervane
