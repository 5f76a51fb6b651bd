#include "driver/jet/format/OfficeXmlDescriptor.h"

#include <cctype>
#include <cstdlib>
#include <map>

namespace kervane::jet::office {
namespace xmldescriptor {

using Attributes = std::map<std::string, std::string, std::less<>>;

constexpr std::string_view kPasswordEncryptor = "http://schemas.microsoft.com/office/2006/keyEncryptor/password";

bool isNameCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '_' || c == '-' || c == '.';
}

// The text of an attribute with the five entities of XML replaced.
std::string unescaped(std::string_view value)
{
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string text;
    for (std::size_t i = 0; i < value.size();) {
        bool replaced = false;
        for (const auto& [entity, character] : kEntities) {
            if (value.substr(i, entity.size()) == entity) {
                text += character;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            text += value[i++];
    }
    return text;
}

// The attributes of the first start tag whose name, its prefix left aside, is `local`; none
// when there is no such tag or it is malformed.
std::optional<Attributes> firstElement(std::string_view xml, std::string_view local)
{
    for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
        std::size_t end = at + 1;
        while (end < xml.size() && isNameCharacter(xml[end]))
            ++end;
        std::string_view name = xml.substr(at + 1, end - at - 1);
        if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos)
            name.remove_prefix(colon + 1);
        if (name != local)
            continue;
        Attributes attributes;
        for (std::size_t i = end;;) {
            while (i < xml.size() && std::isspace(static_cast<unsigned char>(xml[i])) != 0)
                ++i;
            if (i >= xml.size())
                return std::nullopt;
            if (xml[i] == '>' || xml[i] == '/')
                return attributes;
            const std::size_t nameStart = i;
            while (i < xml.size() && isNameCharacter(xml[i]))
                ++i;
            const std::string_view attribute = xml.substr(nameStart, i - nameStart);
            if (attribute.empty() || i + 1 >= xml.size() || xml[i] != '=' || (xml[i + 1] != '"' && xml[i + 1] != '\''))
                return std::nullopt;
            const std::size_t close = xml.find(xml[i + 1], i + 2);
            if (close == std::string_view::npos)
                return std::nullopt;
            attributes.emplace(std::string(attribute), unescaped(xml.substr(i + 2, close - i - 2)));
            i = close + 1;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> number(const Attributes& attributes, std::string_view name)
{
    const auto found = attributes.find(name);
    if (found == attributes.end() || found->second.empty() || found->second.size() > 9)
        return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(found->second.c_str(), &end, 10);
    return *end == '\0' ? std::optional<std::uint64_t>(value) : std::nullopt;
}

std::optional<Bytes> binary(const Attributes& attributes, std::string_view name)
{
    const auto found = attributes.find(name);
    return found == attributes.end() ? std::nullopt : fromBase64(found->second);
}

std::string text(const Attributes& attributes, std::string_view name)
{
    const auto found = attributes.find(name);
    return found == attributes.end() ? std::string() : found->second;
}

std::optional<AgileCipherParameters> cipherParameters(const Attributes& attributes)
{
    AgileCipherParameters parameters;
    const std::optional<std::uint64_t> blockSize = number(attributes, "blockSize");
    const std::optional<std::uint64_t> keyBits = number(attributes, "keyBits");
    std::optional<Bytes> salt = binary(attributes, "saltValue");
    if (!blockSize || !keyBits || !salt)
        return std::nullopt;
    parameters.blockSize = *blockSize;
    parameters.keyBits = *keyBits;
    parameters.cipherAlgorithm = text(attributes, "cipherAlgorithm");
    parameters.cipherChaining = text(attributes, "cipherChaining");
    parameters.hashAlgorithm = text(attributes, "hashAlgorithm");
    parameters.salt = std::move(*salt);
    return parameters;
}

}  // namespace xmldescriptor

std::optional<AgileDescriptor> readAgileDescriptor(std::string_view xml)
{
    using namespace xmldescriptor;
    const std::optional<Attributes> keyData = firstElement(xml, "keyData");
    const std::optional<Attributes> encryptor = firstElement(xml, "keyEncryptor");
    const std::optional<Attributes> encryptedKey = firstElement(xml, "encryptedKey");
    if (!keyData || !encryptor || !encryptedKey || text(*encryptor, "uri") != kPasswordEncryptor)
        return std::nullopt;
    std::optional<AgileCipherParameters> data = cipherParameters(*keyData);
    std::optional<AgileCipherParameters> password = cipherParameters(*encryptedKey);
    const std::optional<std::uint64_t> spinCount = number(*encryptedKey, "spinCount");
    std::optional<Bytes> hashInput = binary(*encryptedKey, "encryptedVerifierHashInput");
    std::optional<Bytes> hashValue = binary(*encryptedKey, "encryptedVerifierHashValue");
    std::optional<Bytes> keyValue = binary(*encryptedKey, "encryptedKeyValue");
    if (!data || !password || !spinCount || *spinCount > 10'000'000 || !hashInput || !hashValue || !keyValue)
        return std::nullopt;
    AgileDescriptor descriptor;
    descriptor.keyData = std::move(*data);
    descriptor.passwordKey.parameters = std::move(*password);
    descriptor.passwordKey.spinCount = static_cast<std::uint32_t>(*spinCount);
    descriptor.passwordKey.encryptedVerifierHashInput = std::move(*hashInput);
    descriptor.passwordKey.encryptedVerifierHashValue = std::move(*hashValue);
    descriptor.passwordKey.encryptedKeyValue = std::move(*keyValue);
    return descriptor;
}

}  // namespace kervane::jet::office
