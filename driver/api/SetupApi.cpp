// Setup entry point: adds, reconfigures and removes data sources of this driver in odbc.ini, and
// makes new empty databases (CREATE_DB, CREATE_DBV3, CREATE_DBV4) and compacted copies (COMPACT_DB,
// REPAIR_DB in place) with a request to add.
#include "driver/handles/ConnectionString.h"
#include "driver/jet/compact/JetCompaction.h"
#include "driver/jet/schema/JetNewDatabase.h"
#include "driver/semantics/Characters.h"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

using namespace kervane::odbc;

namespace {

constexpr BOOL ACCEPTED = 1;
constexpr BOOL REFUSED = 0;

// "KEY=value\0KEY=value\0\0"
Attributes parseAttributeList(LPCSTR list)
{
    Attributes attributes;
    if (list == nullptr)
        return attributes;
    for (const char* p = list; *p != '\0'; p += std::char_traits<char>::length(p) + 1) {
        const std::string_view entry(p);
        const auto equal = entry.find('=');
        if (equal == std::string_view::npos || equal == 0)
            continue;
        attributes.emplace(std::string(entry.substr(0, equal)), std::string(entry.substr(equal + 1)));
    }
    return attributes;
}

// Puts the installer in the given scope for one request, and back as it was.
class ConfigModeScope {
public:
    explicit ConfigModeScope(UWORD mode)
    {
        m_active = SQLGetConfigMode(&m_previous) && SQLSetConfigMode(mode);
    }
    ~ConfigModeScope()
    {
        if (m_active)
            SQLSetConfigMode(m_previous);
    }
    ConfigModeScope(const ConfigModeScope&) = delete;
    ConfigModeScope& operator=(const ConfigModeScope&) = delete;

private:
    UWORD m_previous = ODBC_BOTH_DSN;
    bool m_active = false;
};

bool sameProfileName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool dataSourceExists(const std::string& name)
{
    std::vector<char> sections(65536, '\0');
    const int length = SQLGetPrivateProfileString(nullptr, nullptr, "", sections.data(),
                                                  static_cast<int>(sections.size()), "odbc.ini");
    if (length <= 0)
        return false;
    for (const char* p = sections.data(); *p != '\0' && p < sections.data() + length;
         p += std::char_traits<char>::length(p) + 1)
        if (sameProfileName(p, name))
            return true;
    return false;
}

// The keywords that act on a database file instead of describing the data source.
bool isFileAction(const std::string& key)
{
    for (const char* action : {"CREATE_DB", "CREATE_DBV3", "CREATE_DBV4", "COMPACT_DB", "REPAIR_DB"})
        if (sameProfileName(key, action))
            return true;
    return false;
}

bool writeAttributes(const std::string& name, const Attributes& attributes)
{
    for (const auto& [key, value] : attributes) {
        if (sameProfileName(key, "DSN") || sameProfileName(key, "DRIVER") || isFileAction(key))
            continue;
        if (!SQLWritePrivateProfileString(name.c_str(), key.c_str(), value.c_str(), "odbc.ini"))
            return false;
    }
    return true;
}

// The words of a file keyword's value: paths, then a sort order; a word in double quotes may hold
// spaces. False with a French message when a quote is not closed.
bool requestWords(std::string_view value, std::vector<std::string>& words, std::string& error)
{
    words.clear();
    for (value = kervane::sql::trimmedBlanks(value); !value.empty(); value = kervane::sql::trimmedBlanks(value)) {
        if (value.front() == '"') {
            const auto closing = value.find('"', 1);
            if (closing == std::string_view::npos) {
                error = "Le chemin « " + std::string(value.substr(1)) + " » n'a pas de guillemet fermant.";
                return false;
            }
            words.emplace_back(value.substr(1, closing - 1));
            value = value.substr(closing + 1);
        } else {
            const auto space = value.find_first_of(" \t");
            words.emplace_back(value.substr(0, space));
            value = space == std::string_view::npos ? std::string_view() : value.substr(space);
        }
    }
    return true;
}

// `paths` paths, then at most a sort order, which can only be General, and ENCRYPT (taken off
// `words`, `encrypt` then set); false with a French message for `key` otherwise.
bool filePaths(const std::string& key, std::string_view value, std::size_t paths, std::vector<std::string>& words,
               bool& encrypt, std::string& error)
{
    if (!requestWords(value, words, error))
        return false;
    encrypt = words.size() > paths && kervane::sql::equalIgnoringAsciiCase(words.back(), "ENCRYPT");
    if (encrypt)
        words.pop_back();
    if (words.size() < paths || std::any_of(words.begin(), words.begin() + static_cast<long>(std::min(paths, words.size())),
                                            [](const std::string& word) { return word.empty(); })) {
        error = paths == 1 ? "Le chemin de la base est absent (" + key + ")."
                           : key + " attend le chemin de la base, puis celui de sa copie compactée.";
        return false;
    }
    if (words.size() > paths + 1 || ((words.size() == paths + 1 || encrypt) && sameProfileName(key, "REPAIR_DB"))) {
        error = "La valeur de " + key + " a trop de mots : « " + std::string(value) + " ».";
        return false;
    }
    if (words.size() == paths + 1 && !kervane::sql::equalIgnoringAsciiCase(words.back(), "General")) {
        error = "L'ordre de tri « " + words.back() +
                " » n'est pas possible : une base ne peut avoir que l'ordre General.";
        return false;
    }
    return true;
}

// Carries out one file keyword; false with the installer's error code and a French message.
bool fileAction(const std::string& key, const std::string& value, DWORD& code, std::string& error)
{
    std::vector<std::string> words;
    code = ODBC_ERROR_INVALID_KEYWORD_VALUE;
    const bool compact = sameProfileName(key, "COMPACT_DB");
    const bool repair = sameProfileName(key, "REPAIR_DB");
    bool encrypt = false;
    if (!filePaths(key, value, compact ? 2 : 1, words, encrypt, error))
        return false;
    code = ODBC_ERROR_REQUEST_FAILED;
    if (compact)
        return kervane::jet::compactDatabase(words[0], words[1], encrypt, error);
    if (repair)
        return kervane::jet::repairDatabase(words[0], error);
    const auto version =
        sameProfileName(key, "CREATE_DBV3") ? kervane::jet::JetVersion::Jet3 : kervane::jet::JetVersion::Jet4;
    return kervane::jet::createDatabase(words[0], version, encrypt, error);
}

// Carries out the file keywords of `attributes`; `acted` tells whether there was one. False after
// posting the installer error when one fails.
bool fileActions(const Attributes& attributes, bool& acted)
{
    acted = false;
    for (const auto& [key, value] : attributes) {
        if (!isFileAction(key))
            continue;
        acted = true;
        std::string error;
        DWORD code = ODBC_ERROR_REQUEST_FAILED;
        if (!fileAction(key, value, code, error)) {
            SQLPostInstallerError(code, error.c_str());
            return false;
        }
    }
    return true;
}

BOOL configure(WORD request, LPCSTR driver, const Attributes& attributes)
{
    // A request to add may make a database file, with or without a data source to name it.
    if (request == ODBC_ADD_DSN) {
        bool acted = false;
        if (!fileActions(attributes, acted))
            return REFUSED;
        if (acted && attributes.find("DSN") == attributes.end())
            return ACCEPTED;
    }
    const auto found = attributes.find("DSN");
    if (found == attributes.end() || found->second.empty()) {
        SQLPostInstallerError(ODBC_ERROR_INVALID_KEYWORD_VALUE, "Nom de source de données (DSN) absent.");
        return REFUSED;
    }
    const std::string& name = found->second;
    switch (request) {
    case ODBC_ADD_DSN:
        if (driver == nullptr || !SQLWriteDSNToIni(name.c_str(), driver)) {
            SQLPostInstallerError(ODBC_ERROR_REQUEST_FAILED, "La source de données ne peut pas être écrite.");
            return REFUSED;
        }
        return writeAttributes(name, attributes) ? ACCEPTED : REFUSED;
    case ODBC_CONFIG_DSN:
        if (!dataSourceExists(name)) {
            SQLPostInstallerError(ODBC_ERROR_INVALID_DSN, "Source de données inconnue.");
            return REFUSED;
        }
        return writeAttributes(name, attributes) ? ACCEPTED : REFUSED;
    case ODBC_REMOVE_DSN:
        return SQLRemoveDSNFromIni(name.c_str());
    default:
        SQLPostInstallerError(ODBC_ERROR_INVALID_REQUEST_TYPE, "Demande de configuration inconnue.");
        return REFUSED;
    }
}

}  // namespace

extern "C" BOOL INSTAPI ConfigDSN(HWND, WORD fRequest, LPCSTR lpszDriver, LPCSTR lpszAttributes)
{
    try {
        const Attributes attributes = parseAttributeList(lpszAttributes);
        switch (fRequest) {
        case ODBC_ADD_SYS_DSN:
        case ODBC_CONFIG_SYS_DSN:
        case ODBC_REMOVE_SYS_DSN: {
            // Called directly (not through SQLConfigDataSource): the system scope is ours to set.
            const ConfigModeScope scope(ODBC_SYSTEM_DSN);
            const WORD plain = fRequest == ODBC_ADD_SYS_DSN      ? ODBC_ADD_DSN
                : fRequest == ODBC_CONFIG_SYS_DSN                ? ODBC_CONFIG_DSN
                                                                 : ODBC_REMOVE_DSN;
            return configure(plain, lpszDriver, attributes);
        }
        case ODBC_REMOVE_DEFAULT_DSN:
            return ACCEPTED;
        default:
            return configure(fRequest, lpszDriver, attributes);
        }
    } catch (...) {
        return REFUSED;
    }
}
