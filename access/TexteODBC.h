#pragma once
// A text handed to ODBC: UTF-8 bytes with their byte count as length.
#include <QByteArray>
#include <QString>
#include <sql.h>

namespace kervane {

class TexteODBC {
public:
    explicit TexteODBC(const QString& strTexte) : m_octets(strTexte.toUtf8()) {}
    // Its bytes are overwritten: a password handed to ODBC does not linger in freed memory.
    ~TexteODBC() { m_octets.fill('\0'); }
    TexteODBC(const TexteODBC&) = delete;
    TexteODBC& operator=(const TexteODBC&) = delete;
    SQLCHAR* data() { return reinterpret_cast<SQLCHAR*>(m_octets.data()); }
    SQLSMALLINT longueurCourte() const { return static_cast<SQLSMALLINT>(m_octets.size()); }
    SQLINTEGER longueur() const { return static_cast<SQLINTEGER>(m_octets.size()); }

private:
    QByteArray m_octets;
};

// A text returned by ODBC in a buffer: the first nLongueur bytes, or up to the first NUL.
QString texteDepuisODBC(const SQLCHAR* pTampon, qsizetype nLongueur);

}  // namespace kervane
