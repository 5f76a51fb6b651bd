#pragma once
// Benchmarks run unattended: every message box is answered at once, as its user would with
// Entrée, and no file chooser or printer dialog is ever shown.
#include "messages/Repondeur.h"

namespace kervane::banc {

class RepondeurOK final : public RepondeurModal {
public:
    qint16 afficherMessage(const QString&, qint32, const QString&) override { return IDOK; }
    QString choisirFichier(const QString&, const QString&, const QString&) override { return {}; }
    QString choisirFichierAEnregistrer(const QString&, const QString&, const QString&) override { return {}; }
    bool proprietesImprimante(QPrinter&) override { return false; }
};

}  // namespace kervane::banc
