#include "net/ReleaseStatement.h"

#include <cctype>
#include <memory>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {

// The release public keys, as the build was told (SORVIK_UPDATE_KEYS).
#include "UpdateKeys.inc"

constexpr const char* kFileTypes[] = {"plugin", "skin", "mo", "manifest"};
// Larger than any file of a release could be.
constexpr unsigned long long kMaxFileSize = 1ull << 32;

bool IsDigits(const std::string& text, size_t most)
{
    if (text.empty() || text.size() > most)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

bool IsHex(const std::string& text, size_t length)
{
    if (text.size() != length)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'a' || c > 'f'))
            return false;
    return true;
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string ToHex(const unsigned char* bytes, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < length; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

// "1.4.0": three numbers, nothing else.
bool IsVersion(const std::string& text)
{
    size_t start = 0;
    for (int part = 0; part < 3; ++part) {
        const size_t end = part < 2 ? text.find('.', start) : text.size();
        if (end == std::string::npos || !IsDigits(text.substr(start, end - start), 6))
            return false;
        start = end + 1;
    }
    return true;
}

bool IsDate(const std::string& text)
{
    return text.size() == 10 && text[4] == '-' && text[7] == '-' && IsDigits(text.substr(0, 4), 4) &&
           IsDigits(text.substr(5, 2), 2) && IsDigits(text.substr(8, 2), 2);
}

// The line's word and the rest after one space; false when the line is not "word rest".
bool Split(const std::string& line, const std::string& word, std::string& rest)
{
    if (line.compare(0, word.size() + 1, word + " ") != 0)
        return false;
    rest = line.substr(word.size() + 1);
    return !rest.empty();
}

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;

std::string KeyIdOf(EVP_PKEY* key)
{
    unsigned char raw[32];
    size_t length = sizeof raw;
    if (EVP_PKEY_get_raw_public_key(key, raw, &length) != 1 || length != sizeof raw)
        return std::string();
    return ReleaseStatement::Sha256Hex(std::string(reinterpret_cast<char*>(raw), length)).substr(0, 16);
}

std::vector<Key> ReadKeys(const std::string& pem)
{
    std::vector<Key> keys;
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())),
                                                  &BIO_free);
    while (bio) {
        Key key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
        if (!key)
            break;
        if (EVP_PKEY_get_id(key.get()) == EVP_PKEY_ED25519)
            keys.push_back(std::move(key));
    }
    return keys;
}

} // namespace

std::string ReleaseStatement::Parse(const std::string& text, ReleaseStatement& statement)
{
    if (text.size() > kMaxBytes)
        return "its statement is larger than 64 KB";
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos)
            return "its statement does not end with a whole line";
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty() || lines[0] != "sorvik-release 1")
        return "no signed statement";
    const size_t expected = 3 + std::size(kFileTypes) + 2;
    if (lines.size() != expected)
        return "its statement is not of the known form";

    ReleaseStatement read;
    size_t at = 1;
    if (!Split(lines[at++], "version", read.m_version) || !IsVersion(read.m_version))
        return "its statement names no version";
    if (!Split(lines[at++], "expires", read.m_expires) || !IsDate(read.m_expires))
        return "its statement has no expiry date";
    for (const char* type : kFileTypes) {
        std::string rest;
        const size_t space = Split(lines[at++], type, rest) ? rest.find(' ') : std::string::npos;
        ReleaseFile file;
        file.type = type;
        if (space != std::string::npos)
            file.sha256 = rest.substr(space + 1);
        if (space == std::string::npos || !IsDigits(rest.substr(0, space), 12) || !IsHex(file.sha256, 64))
            return std::string("its statement does not describe the ") + type;
        file.size = std::stoull(rest.substr(0, space));
        if (file.size > kMaxFileSize)
            return std::string("its statement gives the ") + type + " an impossible size";
        read.m_files.push_back(std::move(file));
    }
    if (!Split(lines[at++], "key", read.m_keyId) || !IsHex(read.m_keyId, 16))
        return "its statement names no key";
    std::string signature;
    const size_t signedLength = text.size() - lines[at].size() - 1;
    if (!Split(lines[at], "signature", signature) || !IsHex(signature, 128))
        return "its statement carries no signature";
    read.m_signature = FromHex(signature);
    read.m_signed = text.substr(0, signedLength);
    statement = std::move(read);
    return std::string();
}

std::string ReleaseStatement::Verify(const std::string& publicKeysPem, std::time_t now) const
{
    bool verified = false;
    for (const Key& key : ReadKeys(publicKeysPem)) {
        if (KeyIdOf(key.get()) != m_keyId)
            continue;
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
        if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
            return "the signature could not be checked";
        verified = EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(m_signature.data()),
                                    m_signature.size(),
                                    reinterpret_cast<const unsigned char*>(m_signed.data()),
                                    m_signed.size()) == 1;
        if (!verified)
            return "its signature does not verify";
        break;
    }
    if (!verified)
        return "not signed by a known key";
    // An old statement served again (a freeze) stops being believed on its day.
    std::tm utc{};
    char today[16];
    if (!gmtime_r(&now, &utc) || std::strftime(today, sizeof today, "%Y-%m-%d", &utc) == 0)
        return "today's date is unknown";
    if (m_expires < today)
        return "its statement expired on " + m_expires;
    return std::string();
}

std::string ReleaseStatement::Matches(const std::string& type, const std::string& bytes) const
{
    const ReleaseFile* file = File(type);
    if (!file)
        return "its statement does not name the " + type;
    if (bytes.size() != file->size)
        return "the " + type + " is " + std::to_string(bytes.size()) + " bytes, its statement says " +
               std::to_string(file->size);
    if (Sha256Hex(bytes) != file->sha256)
        return "the " + type + "'s SHA-256 does not match its statement";
    return std::string();
}

const ReleaseFile* ReleaseStatement::File(const std::string& type) const
{
    for (const ReleaseFile& file : m_files)
        if (file.type == type)
            return &file;
    return nullptr;
}

const std::string& ReleaseStatement::BuiltInKeys()
{
    static const std::string keys = kUpdateKeys;
    return keys;
}

std::string ReleaseStatement::Sha256Hex(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        return std::string();
    return ToHex(digest, length);
}
