#include "messages/Repondeur.h"

#include "messages/Programme.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrinter>

namespace kervane {
namespace {

QMessageBox::Icon iconOf(qint32 nStyle)
{
    switch (nStyle & 0x70) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

struct Bouton {
    QMessageBox::StandardButton bouton;
    qint16 nCode;
};

std::vector<Bouton> buttonsOf(qint32 nStyle)
{
    switch (nStyle & 0x0F) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    default: return {{QMessageBox::Ok, IDOK}};
    }
}

class RepondeurReel final : public RepondeurModal {
public:
    qint16 afficherMessage(const QString& strTexte, qint32 nStyle, const QString& strTitre) override
    {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return 0;
        QMessageBox boite(iconOf(nStyle), strTitre, strTexte, QMessageBox::NoButton,
                          QApplication::activeWindow());
        const auto boutons = buttonsOf(nStyle);
        for (const Bouton& b : boutons)
            boite.addButton(b.bouton);
        const std::size_t nDefaut = (nStyle & MB_DEFBUTTON2) && boutons.size() > 1 ? 1 : 0;
        boite.setDefaultButton(boutons[nDefaut].bouton);
        // Escape answers Cancel when there is one, else the only button.
        const bool bAnnuler = (nStyle & 0x0F) == MB_OKCANCEL || (nStyle & 0x0F) == MB_YESNOCANCEL;
        if (bAnnuler)
            boite.setEscapeButton(QMessageBox::Cancel);
        boite.exec();
        const auto presse = boite.standardButton(boite.clickedButton());
        for (const Bouton& b : boutons)
            if (b.bouton == presse)
                return b.nCode;
        return bAnnuler ? qint16{IDCANCEL} : boutons.back().nCode;
    }

    QString choisirFichier(const QString& strTitre, const QString& strDossier, const QString& strFiltre) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), strTitre, strDossier, strFiltre);
    }

    QString choisirFichierAEnregistrer(const QString& strTitre, const QString& strChemin,
                                       const QString& strFiltre) override
    {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), strTitre, strChemin, strFiltre, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }

    bool proprietesImprimante(QPrinter& imprimante) override
    {
        QPageSetupDialog dialogue(&imprimante, QApplication::activeWindow());
        return dialogue.exec() == QDialog::Accepted;
    }
};

}  // namespace

RepondeurModal& Repondeur()
{
    static RepondeurReel reel;
    RepondeurModal* p = Programme().pRepondeur;
    return p ? *p : reel;
}

RemplacementRepondeur::RemplacementRepondeur(RepondeurModal& repondeur)
    : m_pPrecedent(Programme().pRepondeur)
{
    Programme().pRepondeur = &repondeur;
}

RemplacementRepondeur::~RemplacementRepondeur()
{
    Programme().pRepondeur = m_pPrecedent;
}

}  // namespace kervane
