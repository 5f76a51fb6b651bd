#include "print/EnteteImpression.h"

namespace kervane {
namespace {

class HeaderReader {
public:
    void add(QChar c) { target() += c; m_bContent = true; }
    void align(QChar code)
    {
        m_cAlignement = code;
        m_bContent = true;
    }
    void endLine()
    {
        m_lignes.push_back(m_ligne);
        m_ligne = {};
        m_cAlignement = u'l';
        m_bContent = false;
    }
    std::vector<LigneEntete> finish()
    {
        if (m_bContent)
            endLine();
        return std::move(m_lignes);
    }

private:
    QString& target()
    {
        if (m_cAlignement == u'c')
            return m_ligne.strCentre;
        if (m_cAlignement == u'r')
            return m_ligne.strDroite;
        return m_ligne.strGauche;
    }

    std::vector<LigneEntete> m_lignes;
    LigneEntete m_ligne;
    QChar m_cAlignement = u'l';
    bool m_bContent = false;
};

}  // namespace

std::vector<LigneEntete> analyserEntete(const QString& strEntete)
{
    HeaderReader lecteur;
    for (qsizetype i = 0; i < strEntete.size(); ++i) {
        const QChar c = strEntete[i];
        const QChar code = i + 1 < strEntete.size() ? strEntete[i + 1] : QChar();
        if (c != u'/' || code.isNull()) {
            lecteur.add(c);
            continue;
        }
        if (code == u'n')
            lecteur.endLine();
        else if (code == u'l' || code == u'c' || code == u'r')
            lecteur.align(code);
        else if (code == u'/')
            lecteur.add(u'/');
        else {
            lecteur.add(c);
            continue;
        }
        ++i;
    }
    return lecteur.finish();
}

QString protegerEntete(const QString& strTexte)
{
    QString strProtege = strTexte;
    return strProtege.replace(u'/', QStringLiteral("//"));
}

}  // namespace kervane
