#pragma once
// The Access database engine as the conformity check uses it: a .mdb file opened by itself
// (not through ODBC), read-only down to the file descriptor, its tables listed in the
// engine's collection order with their fields in order. Jet files are read through the Jet
// reader, SQLite-format files through SQLite; anything else is refused. A Jet file that a
// crash left with the journal of an unfinished commit is first put back as before that commit.
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

struct sqlite3;

namespace kervane {

// Error numbers of the engine (never 1, which is the ODBC failure signal).
constexpr qint32 ERREUR_MOTEUR_INTROUVABLE = 3024;  // no such file
constexpr qint32 ERREUR_MOTEUR_ILLISIBLE = 3049;    // recognised, but damaged or unreadable
constexpr qint32 ERREUR_MOTEUR_FORMAT = 3343;       // neither a Jet nor a SQLite file

struct ErreurMoteur {
    qint32 nNumero = 0;
    QString strDescription;  // French, names the file
};

struct TableMoteur {
    QString strNom;
    QStringList champs;  // field names in order
};

class BaseMoteur {
public:
    BaseMoteur();
    // A base described by hand: its tables in that order.
    explicit BaseMoteur(std::vector<TableMoteur> tables);
    ~BaseMoteur();
    BaseMoteur(BaseMoteur&&) noexcept;
    BaseMoteur& operator=(BaseMoteur&&) noexcept;
    BaseMoteur(const BaseMoteur&) = delete;
    BaseMoteur& operator=(const BaseMoteur&) = delete;

    // Opens the file read-only and reads its tables; false with the reason in erreur.
    bool ouvrir(const QString& strChemin, ErreurMoteur& erreur);
    // Releases the file; the table list stays readable.
    void fermer();
    bool estOuverte() const { return m_db != nullptr; }

    const std::vector<TableMoteur>& tables() const { return m_tables; }
    // What the opening has to tell although it succeeded (a crash journal found beside a Jet
    // file, made for another file or an earlier state, set aside, the file untouched), in
    // French; empty otherwise.
    const QString& avertissement() const { return m_strAvertissement; }

private:
    struct FermetureSQLite {
        void operator()(sqlite3* db) const noexcept;
    };
    bool lireTables(const QString& strChemin, ErreurMoteur& erreur);

    std::unique_ptr<sqlite3, FermetureSQLite> m_db;
    std::vector<TableMoteur> m_tables;
    QString m_strAvertissement;
};

}  // namespace kervane
