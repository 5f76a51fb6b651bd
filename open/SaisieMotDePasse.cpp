#include "open/SaisieMotDePasse.h"

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

std::function<std::optional<QString>(bool)> demandeMotDePasse(QWidget* pParent, const QString& strBase)
{
    return [parent = QPointer<QWidget>(pParent), strBase](bool bRefuse) {
        return SaisirMotDePasse(parent, strBase, bRefuse);
    };
}

}  // namespace kervane
