#pragma once
// A stand-in for the main window: it records what the query windows ask of the toolbar,
// the status bar and the opening sequence, and lists the windows a test opened.
#include "query/FenetrePrincipale.h"
#include "query/wndKervane.h"

#include <QPointer>
#include <functional>
#include <map>
#include <vector>

namespace kervane::test {

class FenetreTest final : public FenetrePrincipale {
public:
    FenetreTest();  // installed as the program's main window for its lifetime
    ~FenetreTest() override;
    FenetreTest(const FenetreTest&) = delete;
    FenetreTest& operator=(const FenetreTest&) = delete;

    void activerBouton(const QString& strCle, bool bActif) override { actifs[strCle] = bActif; }
    void enfoncerBouton(const QString& strCle, bool bEnfonce) override { enfonces[strCle] = bEnfonce; }
    bool boutonEnfonce(const QString& strCle) const override;
    void definirBouton(const QString& strCle, const QString& strImage, const QString& strInfobulle) override;
    QString imageBouton(const QString& strCle) const override;
    QString infobulleBouton(const QString& strCle) const override;
    bool afficherMessageStatus(const QString& strMessage, int, bool bTemporaire, bool) override;
    bool Ouvrir(bool bDlg) override;
    void Quitter() override { ++nQuitter; }
    void mnuAbout_Click(int nIndex) override { aides.push_back(nIndex); }
    void editerTrace() override { ++nTraces; }
    void arranger(int nIndex) override { arrangements.push_back(nIndex); }
    void exporter(wndKervane&) override { ++nExportations; }
    void imprimer(wndKervane&) override { ++nImpressions; }
    QList<wndKervane*> fenetresRequetes() const override;

    std::map<QString, bool> actifs;
    std::map<QString, bool> enfonces;
    std::map<QString, std::pair<QString, QString>> images;  // image key, tooltip
    std::vector<QString> messagesStatus;
    std::vector<bool> temporaires;  // for each status message: shown until the timer clears it
    std::function<void(const QString&)> surMessageStatus;  // called with every status message
    std::vector<bool> ouvertures;  // bDlg of every Ouvrir
    std::function<bool(bool)> ouvrir;
    std::vector<int> aides;
    std::vector<int> arrangements;
    int nQuitter = 0;
    int nTraces = 0;
    int nExportations = 0;
    int nImpressions = 0;
    QList<QPointer<wndKervane>> fenetres;
};

}  // namespace kervane::test
