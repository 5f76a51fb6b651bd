#include "tests/support/RepondeurScripte.h"

#include "messages/Programme.h"

#include <stdexcept>

namespace kervane::test {

RepondeurScripte::RepondeurScripte() : m_pPrecedent(Programme().pRepondeur)
{
    Programme().pRepondeur = this;
}

RepondeurScripte::~RepondeurScripte()
{
    Programme().pRepondeur = m_pPrecedent;
}

const QuestionPosee& RepondeurScripte::derniere() const
{
    if (m_questions.empty())
        throw std::logic_error("no question was asked");
    return m_questions.back();
}

qint16 RepondeurScripte::afficherMessage(const QString& strTexte, qint32 nStyle, const QString& strTitre)
{
    m_questions.push_back({strTexte, nStyle, strTitre, {}, {}});
    if (!m_reponses.empty()) {
        const qint16 nCode = m_reponses.front();
        m_reponses.pop_front();
        return nCode;
    }
    const qint32 nBoutons = nStyle & 0x0F;
    return nBoutons == MB_YESNO || nBoutons == MB_YESNOCANCEL ? IDYES : IDOK;
}

QString RepondeurScripte::choisirFichier(const QString& strTitre, const QString& strDossier, const QString& strFiltre)
{
    m_questions.push_back({strTitre, -1, QStringLiteral("choisirFichier"), strDossier, strFiltre});
    return nextFile();
}

QString RepondeurScripte::choisirFichierAEnregistrer(const QString& strTitre, const QString& strChemin,
                                                     const QString& strFiltre)
{
    m_questions.push_back({strTitre, -1, QStringLiteral("choisirFichierAEnregistrer"), strChemin, strFiltre});
    return nextFile();
}

QString RepondeurScripte::nextFile()
{
    if (m_fichiers.empty())
        return {};
    QString strChemin = m_fichiers.front();
    m_fichiers.pop_front();
    return strChemin;
}

bool RepondeurScripte::proprietesImprimante(QPrinter& imprimante)
{
    m_questions.push_back({QString(), -1, QStringLiteral("proprietesImprimante"), {}, {}});
    if (m_reglages.empty())
        return false;
    const auto reglage = std::move(m_reglages.front());
    m_reglages.pop_front();
    if (!reglage)
        return false;
    reglage(imprimante);
    return true;
}

}  // namespace kervane::test
