#include "ReleaseSigner.h"

#include <cstdio>
#include <ctime>

#include <openssl/evp.h>
#include <openssl/pem.h>

namespace sitesim {

struct ReleaseSigner::Key {
    EVP_PKEY* pkey = nullptr;
    ~Key() { EVP_PKEY_free(pkey); }
};

namespace {

std::string Hex(const unsigned char* bytes, size_t length)
{
    std::string out;
    char pair[3];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        out += pair;
    }
    return out;
}

std::string Sha256(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    return Hex(digest, length);
}

} // namespace

ReleaseSigner::ReleaseSigner() = default;
ReleaseSigner::~ReleaseSigner() = default;

bool ReleaseSigner::LoadKey(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return false;
    EVP_PKEY* pkey = PEM_read_PrivateKey(file, nullptr, nullptr, nullptr);
    std::fclose(file);
    if (!pkey)
        return false;
    m_key = std::make_unique<Key>();
    m_key->pkey = pkey;
    return true;
}

void ReleaseSigner::MakeKey()
{
    m_key = std::make_unique<Key>();
    m_key->pkey = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    if (!m_key->pkey)
        m_key.reset();
}

std::string ReleaseSigner::Sign(const std::string& version, const std::string& expires,
                                const std::map<std::string, std::string>& files) const
{
    if (!m_key)
        return std::string();
    std::string text = "sorvik-release 1\nversion " + version + "\nexpires " + expires + "\n";
    for (const char* type : {"plugin", "skin", "mo", "manifest"}) {
        const auto file = files.find(type);
        const std::string bytes = file == files.end() ? std::string() : file->second;
        text += std::string(type) + " " + std::to_string(bytes.size()) + " " + Sha256(bytes) + "\n";
    }
    unsigned char raw[32];
    size_t rawLength = sizeof raw;
    EVP_PKEY_get_raw_public_key(m_key->pkey, raw, &rawLength);
    text += "key " + Sha256(std::string(reinterpret_cast<char*>(raw), rawLength)).substr(0, 16) + "\n";

    unsigned char signature[64];
    size_t signatureLength = sizeof signature;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    const bool signedOk =
        context && EVP_DigestSignInit(context, nullptr, nullptr, nullptr, m_key->pkey) == 1 &&
        EVP_DigestSign(context, signature, &signatureLength,
                       reinterpret_cast<const unsigned char*>(text.data()), text.size()) == 1;
    EVP_MD_CTX_free(context);
    if (!signedOk)
        return std::string();
    return text + "signature " + Hex(signature, signatureLength) + "\n";
}

std::string ReleaseSigner::DateFromToday(int days)
{
    const std::time_t when = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

} // namespace sitesim
