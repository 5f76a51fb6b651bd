#include "tests/query/FenetreTest.h"

#include "messages/Programme.h"

namespace kervane::test {

FenetreTest::FenetreTest()
{
    Programme().pFenetrePrincipale = this;
}

FenetreTest::~FenetreTest()
{
    Programme().pFenetrePrincipale = nullptr;
}

bool FenetreTest::boutonEnfonce(const QString& strCle) const
{
    const auto it = enfonces.find(strCle);
    return it != enfonces.end() && it->second;
}

void FenetreTest::definirBouton(const QString& strCle, const QString& strImage, const QString& strInfobulle)
{
    images[strCle] = {strImage, strInfobulle};
}

QString FenetreTest::imageBouton(const QString& strCle) const
{
    const auto it = images.find(strCle);
    return it == images.end() ? QString() : it->second.first;
}

QString FenetreTest::infobulleBouton(const QString& strCle) const
{
    const auto it = images.find(strCle);
    return it == images.end() ? QString() : it->second.second;
}

bool FenetreTest::afficherMessageStatus(const QString& strMessage, int, bool bTemporaire, bool)
{
    messagesStatus.push_back(strMessage);
    temporaires.push_back(bTemporaire);
    if (surMessageStatus)
        surMessageStatus(strMessage);
    return true;
}

bool FenetreTest::Ouvrir(bool bDlg)
{
    ouvertures.push_back(bDlg);
    return ouvrir ? ouvrir(bDlg) : false;
}

QList<wndKervane*> FenetreTest::fenetresRequetes() const
{
    QList<wndKervane*> liste;
    for (const QPointer<wndKervane>& p : fenetres)
        if (p)
            liste << p.data();
    return liste;
}

}  // namespace kervane::test
