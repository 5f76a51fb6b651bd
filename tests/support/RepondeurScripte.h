#pragma once
// Stands for the person at the screen: records every question and answers from a script.
#include "messages/Repondeur.h"

#include <QString>
#include <deque>
#include <vector>

namespace kervane::test {

struct QuestionPosee {
    QString strTexte;
    qint32 nStyle = 0;
    QString strTitre;
};

class RepondeurScripte final : public RepondeurModal {
public:
    RepondeurScripte();
    ~RepondeurScripte() override;

    // Next answers to message boxes, in order; when none is left, the first button is pressed.
    void repondre(qint16 nCode) { m_reponses.push_back(nCode); }
    // Next answers to file choosers, in order; when none is left, the chooser is cancelled.
    void choisir(const QString& strChemin) { m_fichiers.push_back(strChemin); }

    const std::vector<QuestionPosee>& questions() const { return m_questions; }
    const QuestionPosee& derniere() const;
    void oublier() { m_questions.clear(); }

    qint16 afficherMessage(const QString& strTexte, qint32 nStyle, const QString& strTitre) override;
    QString choisirFichier(const QString& strTitre, const QString& strDossier, const QString& strFiltre) override;

private:
    std::vector<QuestionPosee> m_questions;
    std::deque<qint16> m_reponses;
    std::deque<QString> m_fichiers;
    RepondeurModal* m_pPrecedent;
};

}  // namespace kervane::test
