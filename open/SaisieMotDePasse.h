#pragma once
// Asking the user for the password of a protected database, when the driver refuses to open it
// without: a masked entry, never kept beyond the connection it serves.
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace kervane {

// The password the user types for the base strBase (a path or a label), or nothing when they
// give up (Annuler, Échap). bRefuse: the last one they typed was refused.
std::optional<QString> SaisirMotDePasse(QWidget* pParent, const QString& strBase, bool bRefuse);

// The password typed while one base is opened, so that the check of its label and the opening
// itself ask once: kept in memory for that opening only, overwritten when it goes.
class MotDePasseRetenu {
public:
    MotDePasseRetenu() = default;
    ~MotDePasseRetenu() { oublier(); }
    MotDePasseRetenu(const MotDePasseRetenu&) = delete;
    MotDePasseRetenu& operator=(const MotDePasseRetenu&) = delete;

    void retenir(const QString& strBase, const QString& strMotDePasse);
    // The one typed for the base strBase (the same file), if any.
    std::optional<QString> pour(const QString& strBase) const;
    void oublier();

private:
    QString m_strBase;
    QString m_strMotDePasse;
    bool m_bRetenu = false;
};

// The prompt a connection request (DemandeConnexion) asks through, for the base strBase. With
// pRetenu, a password typed for that base earlier in the same opening is given first without
// asking, and the one typed is kept there; pRetenu outlives the prompt's use.
std::function<std::optional<QString>(bool)> demandeMotDePasse(QWidget* pParent, const QString& strBase,
                                                              MotDePasseRetenu* pRetenu = nullptr);

}  // namespace kervane
