#pragma once
// The XML descriptor of the "agile" Office encryption (Access 2010 and later): how the data is
// enciphered (<keyData>) and how the password opens its key (<p:encryptedKey>). Only the
// attributes are read, as far as they describe a password-protected file.
#include "driver/jet/format/OfficeCryptoPrimitives.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kervane::jet::office {

struct AgileCipherParameters {
    std::size_t blockSize = 0;
    std::size_t keyBits = 0;
    std::string cipherAlgorithm;  // "AES"
    std::string cipherChaining;   // "ChainingModeCBC"
    std::string hashAlgorithm;    // "SHA1", "SHA512"...
    Bytes salt;
};

struct AgilePasswordKey {
    AgileCipherParameters parameters;
    std::uint32_t spinCount = 0;
    Bytes encryptedVerifierHashInput;
    Bytes encryptedVerifierHashValue;
    Bytes encryptedKeyValue;
};

struct AgileDescriptor {
    AgileCipherParameters keyData;
    AgilePasswordKey passwordKey;
};

// The descriptor `xml` states; none when it lacks what a password-protected file needs or says
// it in a form not known here.
std::optional<AgileDescriptor> readAgileDescriptor(std::string_view xml);

}  // namespace kervane::jet::office
