#include "driver/base/SqliteErrors.h"

#include <sqlite3.h>

namespace kervane::odbc {
namespace {

// Text after prefix up to the end, without surrounding double quotes.
bool after(std::string_view text, std::string_view prefix, std::string_view& rest)
{
    if (!text.starts_with(prefix))
        return false;
    rest = text.substr(prefix.size());
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = rest.substr(1, rest.size() - 2);
    return true;
}

// SQLite's limits and refusals that a user's statement can reach, in French.
struct KnownText {
    std::string_view start;
    const char* state;
    const char* message;
};

constexpr KnownText LIMITS[] = {
    {"parser stack overflow", "42000", "L'instruction SQL est trop imbriquée pour être analysée."},
    {"Expression tree is too large", "42000", "L'expression est trop complexe : elle a trop de niveaux imbriqués."},
    {"too many columns", "54011", "La requête a trop de colonnes."},
    {"too many terms in compound SELECT", "54000", "La requête Union réunit trop de requêtes."},
    {"too many FROM clause terms", "54000", "La requête a trop de tables dans sa clause FROM."},
    {"at most 64 tables in a join", "54000", "Une jointure ne peut pas réunir plus de 64 tables."},
    {"too many arguments on function", "42000", "Trop d'arguments pour une fonction de l'expression."},
    {"wrong number of arguments to function", "42000", "Nombre d'arguments incorrect pour une fonction."},
    {"LIKE or GLOB pattern too complex", "42000", "Le modèle de l'opérateur LIKE est trop complexe."},
    {"sub-select returns", "42000", "La sous-requête doit renvoyer une seule colonne."},
    {"row value misused", "42000", "Liste de valeurs mal employée dans l'expression."},
    {"integer overflow", "22003", "Dépassement de capacité."},
    {"a GROUP BY clause is required before HAVING", "42000", "Une clause HAVING exige une clause GROUP BY."},
    {"aggregate functions are not allowed in the GROUP BY clause", "42000",
     "Une fonction d'agrégat n'est pas permise dans la clause GROUP BY."},
    {"duplicate column name", "42S21", "Un nom de champ est en double dans la table."},
    {"ORDER BY term out of range", "42000", "Le numéro de colonne de la clause ORDER BY est hors limites."},
    {"1st ORDER BY term does not match", "42000",
     "La clause ORDER BY d'une requête Union doit nommer une de ses colonnes."},
    {"too many SQL variables", "07009", "L'instruction a trop de paramètres."},
    {"string or blob too big", "22001", "La valeur est trop longue."},
    {"recursive aggregate queries not supported", "42000", "Cette requête récursive n'est pas prise en charge."},
};

OdbcError limitError(std::string_view text, int code)
{
    for (const KnownText& known : LIMITS)
        if (text.find(known.start) != std::string_view::npos)
            return {known.state, known.message, code};
    return {"", "", code};
}

OdbcError syntaxError(std::string_view text, int code)
{
    if (OdbcError limit = limitError(text, code); !limit.state.empty())
        return limit;
    std::string_view rest;
    if (text.starts_with("near \"")) {
        const auto close = text.find("\": syntax error");
        if (close != std::string_view::npos)
            return {"42000", "Erreur de syntaxe près de " + quoted(text.substr(6, close - 6)) + ".", code};
    }
    if (after(text, "unrecognized token: ", rest))
        return {"42000", "Erreur de syntaxe : symbole inconnu " + quoted(rest) + ".", code};
    if (text == "incomplete input")
        return {"42000", "Erreur de syntaxe : l'instruction SQL est incomplète.", code};
    if (after(text, "no such function: ", rest))
        return {"42000", "La fonction " + quoted(rest) + " est inconnue.", code};
    if (after(text, "ambiguous column name: ", rest))
        return {"42000", "Le nom de colonne " + quoted(rest) + " est ambigu.", code};
    if (after(text, "table ", rest) && rest.ends_with(" already exists"))
        return {"42S01", "La table " + quoted(rest.substr(0, rest.size() - 15)) + " existe déjà.", code};
    if (after(text, "index ", rest) && rest.ends_with(" already exists"))
        return {"42S11", "L'index " + quoted(rest.substr(0, rest.size() - 15)) + " existe déjà.", code};
    if (after(text, "no such index: ", rest))
        return {"42S12", "L'index " + quoted(rest) + " est introuvable.", code};
    if (text.find(" values for ") != std::string_view::npos && text.ends_with(" columns"))
        return {"21S01", "Le nombre de valeurs ne correspond pas au nombre de colonnes.", code};
    if (text.starts_with("misuse of aggregate"))
        return {"42000", "Fonction d'agrégat mal employée : " + std::string(text) + ".", code};
    if (text.starts_with("no tables specified"))
        return {"42000", "Aucune table n'est indiquée dans la requête.", code};
    return {"", "", code};
}

OdbcError constraintError(std::string_view text, int code)
{
    std::string_view rest;
    if (after(text, "UNIQUE constraint failed: ", rest))
        return {"23000", "Contrainte non respectée : valeur en double pour " + quoted(rest) + ".", code};
    if (after(text, "NOT NULL constraint failed: ", rest))
        return {"23000", "Contrainte non respectée : " + quoted(rest) + " ne peut pas être vide.", code};
    if (after(text, "CHECK constraint failed: ", rest))
        return {"23000", "Contrainte non respectée : la condition " + quoted(rest) + " n'est pas vérifiée.", code};
    if (text.starts_with("FOREIGN KEY constraint failed"))
        return {"23000", "Contrainte non respectée : la clé étrangère ne correspond à aucun enregistrement.", code};
    return {"23000", "Contrainte non respectée : " + std::string(text) + ".", code};
}

}  // namespace

std::string quoted(std::string_view name)
{
    std::string text("« ");
    text.append(name).append(" »");
    return text;
}

OdbcError errorFromSqlite(int code, std::string_view text, std::string_view readOnlyFile)
{
    const int primary = code & 0xFF;
    std::string_view rest;
    // The front end's functions give their SQLSTATE before their French text: "[22007]La valeur...".
    if (text.size() > 7 && text[0] == '[' && text[6] == ']')
        return {std::string(text.substr(1, 5)), std::string(text.substr(7)), primary};
    const bool deniedWrite = primary == SQLITE_AUTH || text.ends_with(" may not be modified");
    if (deniedWrite && !readOnlyFile.empty())
        return {"HY000",
                "La base Access " + quoted(readOnlyFile)
                    + " est en lecture seule : aucune modification n'est possible.",
                primary};
    if (primary == SQLITE_CONSTRAINT)
        return constraintError(text, primary);
    if (after(text, "no such table: ", rest) || after(text, "no such view: ", rest))
        return {"42S02", "La table " + quoted(rest) + " est introuvable.", primary};
    if (after(text, "no such column: ", rest))
        return {"42S22", "La colonne " + quoted(rest) + " est introuvable.", primary};
    if (after(text, "table ", rest) && rest.find(" has no column named ") != std::string_view::npos) {
        const auto at = rest.find(" has no column named ");
        return {"42S22",
                "La colonne " + quoted(rest.substr(at + 21)) + " est introuvable dans la table "
                    + quoted(rest.substr(0, at)) + ".",
                primary};
    }
    if (primary == SQLITE_ERROR) {
        OdbcError syntax = syntaxError(text, primary);
        if (!syntax.state.empty())
            return syntax;
    }
    switch (primary) {
    case SQLITE_READONLY:
        return {"HY000", "La base est en lecture seule : aucune modification n'est possible.", primary};
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {"HY000", "La base est verrouillée par un autre utilisateur ; réessayez plus tard.", primary};
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return {"HY000", "La base est endommagée : " + std::string(text) + ".", primary};
    case SQLITE_FULL:
        return {"HY000", "Le disque est plein : la modification n'a pas pu être écrite.", primary};
    case SQLITE_NOMEM:
        return {"HY001", "Mémoire insuffisante.", primary};
    case SQLITE_TOOBIG:
        return {"22001", "La valeur est trop longue.", primary};
    case SQLITE_RANGE:
        return {"07009", "Numéro de paramètre hors limites.", primary};
    case SQLITE_MISMATCH:
        return {"22018", "Type de donnée incompatible : " + std::string(text) + ".", primary};
    case SQLITE_INTERRUPT:
        return {"HY008", "L'opération a été annulée.", primary};
    case SQLITE_AUTH:
        return {"42000", "Opération non autorisée.", primary};
    default:
        return {"HY000", "Erreur du moteur de base de données : " + std::string(text) + ".", primary};
    }
}

}  // namespace kervane::odbc
