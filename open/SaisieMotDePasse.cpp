#include "open/SaisieMotDePasse.h"

#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>

namespace kervane {

std::optional<QString> SaisirMotDePasse(QWidget* pParent, const QString& strBase, bool bRefuse)
{
    QInputDialog dialogue(pParent);
    dialogue.setWindowTitle(QStringLiteral("Mot de passe de la base"));
    dialogue.setLabelText(bRefuse ? QStringLiteral("Ce mot de passe n'est pas le bon.\nMot de passe de la base « %1 » :")
                                        .arg(strBase)
                                  : QStringLiteral("La base « %1 » est protégée par un mot de passe.\nMot de passe :")
                                        .arg(strBase));
    dialogue.setTextEchoMode(QLineEdit::Password);
    dialogue.setOkButtonText(QStringLiteral("OK"));
    dialogue.setCancelButtonText(QStringLiteral("Annuler"));
    const bool bAccepte = dialogue.exec() == QDialog::Accepted;
    QString strSaisi = dialogue.textValue();
    // The entry's own copy goes with the dialog; this one is handed over once.
    dialogue.setTextValue(QString());
    if (!bAccepte)
        return std::nullopt;
    return strSaisi;
}

namespace {

// Two names of the same file.
bool memeBase(const QString& strUne, const QString& strAutre)
{
    return QFileInfo(strUne).absoluteFilePath() == QFileInfo(strAutre).absoluteFilePath();
}

void effacer(QString& strTexte)
{
    strTexte.fill(QChar(u'\0'));
    strTexte.clear();
}

}  // namespace

void MotDePasseRetenu::retenir(const QString& strBase, const QString& strMotDePasse)
{
    oublier();
    m_strBase = strBase;
    m_strMotDePasse = strMotDePasse;
    m_bRetenu = true;
}

std::optional<QString> MotDePasseRetenu::pour(const QString& strBase) const
{
    if (!m_bRetenu || !memeBase(m_strBase, strBase))
        return std::nullopt;
    return m_strMotDePasse;
}

void MotDePasseRetenu::oublier()
{
    effacer(m_strMotDePasse);
    m_strBase.clear();
    m_bRetenu = false;
}

std::function<std::optional<QString>(bool)> demandeMotDePasse(QWidget* pParent, const QString& strBase,
                                                              MotDePasseRetenu* pRetenu)
{
    return [parent = QPointer<QWidget>(pParent), strBase, pRetenu](bool bRefuse) -> std::optional<QString> {
        if (pRetenu != nullptr && !bRefuse)
            if (std::optional<QString> strRetenu = pRetenu->pour(strBase))
                return strRetenu;
        std::optional<QString> strSaisi = SaisirMotDePasse(parent, strBase, bRefuse);
        if (pRetenu != nullptr && strSaisi)
            pRetenu->retenir(strBase, *strSaisi);
        return strSaisi;
    };
}

}  // namespace kervane
