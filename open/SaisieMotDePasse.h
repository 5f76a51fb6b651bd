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

// The prompt a connection request (DemandeConnexion) asks through, for the base strBase.
std::function<std::optional<QString>(bool)> demandeMotDePasse(QWidget* pParent, const QString& strBase);

}  // namespace kervane
