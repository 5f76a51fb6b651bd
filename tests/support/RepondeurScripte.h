#pragma once
// Stands for the person at the screen: records every question and answers from a script.
#include "messages/Repondeur.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

namespace kervane::test {

// A question as the person saw it. For a file chooser: its title in strTexte, style -1,
// the kind of chooser in strTitre, and the folder and filter it was opened with.
struct QuestionPosee {
    QString strTexte;
    qint32 nStyle = 0;
    QString strTitre;
    QString strDossier;
    QString strFiltre;
};

class RepondeurScripte final : public RepondeurModal {
public:
    RepondeurScripte();
    ~RepondeurScripte() override;

    // Next answers to message boxes, in order; when none is left, the first button is pressed.
    void repondre(qint16 nCode) { m_reponses.push_back(nCode); }
    // Next answers to file choosers, in order; when none is left, the chooser is cancelled.
    void choisir(const QString& strChemin) { m_fichiers.push_back(strChemin); }
    // Next answers to the printer settings dialog: a change to make to the printer and OK,
    // or nothing and Cancel. When none is left, the dialog is cancelled.
    void reglerImprimante(std::function<void(QPrinter&)> reglage) { m_reglages.push_back(std::move(reglage)); }

    const std::vector<QuestionPosee>& questions() const { return m_questions; }
    const QuestionPosee& derniere() const;
    void oublier() { m_questions.clear(); }

    qint16 afficherMessage(const QString& strTexte, qint32 nStyle, const QString& strTitre) override;
    QString choisirFichier(const QString& strTitre, const QString& strDossier, const QString& strFiltre) override;
    QString choisirFichierAEnregistrer(const QString& strTitre, const QString& strChemin,
                                       const QString& strFiltre) override;
    bool proprietesImprimante(QPrinter& imprimante) override;

private:
    QString nextFile();

    std::vector<QuestionPosee> m_questions;
    std::deque<qint16> m_reponses;
    std::deque<QString> m_fichiers;
    std::deque<std::function<void(QPrinter&)>> m_reglages;
    RepondeurModal* m_pPrecedent;
};

}  // namespace kervane::test
